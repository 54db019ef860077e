#include "ostrand_session.h"

#include "driver_options.h"
#include "screen.h"

namespace ostrand_ui {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kPollMs = 50;

struct FindState {
    DWORD pid;
    const wchar_t* cls;
    bool visible_only;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM lp) {
    auto* state = reinterpret_cast<FindState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != state->pid) return TRUE;
    if (state->visible_only && !IsWindowVisible(window)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (lstrcmpiW(cls, state->cls) != 0) return TRUE;
    state->found = window;
    return FALSE;
}

template <class Probe>
auto Poll(DWORD timeout_ms, Probe probe) -> decltype(probe()) {
    const DWORD start = GetTickCount();
    for (;;) {
        auto result = probe();
        if (result || GetTickCount() - start > timeout_ms) return result;
        Sleep(kPollMs);
    }
}

}  // namespace

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        5000, &copied);
    text.resize(copied < length ? copied : length);
    return text;
}

OstrandSession::OstrandSession() {
    std::wstring command = L"\"" + Options().ostrand_exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    if (pi_.hProcess) WaitForInputIdle(pi_.hProcess, 10000);
}

OstrandSession::~OstrandSession() {
    if (!pi_.hProcess) return;
    if (Running()) {
        // Boxes first, then the dialog; a hard end only when that does not do.
        for (int i = 0; i < 5 && Running(); ++i) {
            if (HWND box = FindOwnWindow(L"#32770", true)) PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            if (HWND menu = FindOwnWindow(L"#32768", true)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            if (dialog_ && IsWindow(dialog_)) PostMessageW(dialog_, WM_CLOSE, 0, 0);
            WaitForSingleObject(pi_.hProcess, 500);
        }
        if (Running()) TerminateProcess(pi_.hProcess, 99);
    }
    WaitForSingleObject(pi_.hProcess, 5000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

HWND OstrandSession::FindOwnWindow(const wchar_t* cls, bool visible_only) const {
    FindState state{pi_.dwProcessId, cls, visible_only, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND OstrandSession::WaitForDialog(DWORD timeout_ms) {
    dialog_ = Poll(timeout_ms, [this] { return FindOwnWindow(L"TfrmConSetGl", true); });
    return dialog_;
}

HWND OstrandSession::AppWindow() const { return FindOwnWindow(L"OstrandApplication", false); }
HWND OstrandSession::TrayWindow() const { return FindOwnWindow(L"OstrandTrayWindow", false); }

MessageBoxSeen OstrandSession::WaitForMessageBox(DWORD timeout_ms) {
    MessageBoxSeen seen;
    seen.window = Poll(timeout_ms, [this] { return FindOwnWindow(L"#32770", true); });
    if (!seen.window) return seen;
    Sleep(300);  // let it paint before its icon is read off the screen
    seen.caption = WindowText(seen.window);
    seen.text = WindowText(GetDlgItem(seen.window, kMessageBoxTextId));
    seen.has_ok = GetDlgItem(seen.window, IDOK) && IsWindowVisible(GetDlgItem(seen.window, IDOK));
    seen.has_cancel = GetDlgItem(seen.window, IDCANCEL) && IsWindowVisible(GetDlgItem(seen.window, IDCANCEL));
    for (HWND child = GetWindow(seen.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
            wchar_t cls[16] = {};
            GetClassNameW(child, cls, 16);
            if (lstrcmpiW(cls, L"Static") == 0) seen.icon = RecogniseStandardIcon(child);
        }
    }
    return seen;
}

void OstrandSession::Answer(const MessageBoxSeen& box, int button) {
    if (!box.window) return;
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
    Poll(5000, [&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
    Settle();
}

HWND OstrandSession::WaitForMenu(DWORD timeout_ms) {
    return Poll(timeout_ms, [this] { return FindOwnWindow(L"#32768", true); });
}

HWND OstrandSession::Focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(pi_.dwThreadId, &info) || !info.hwndFocus) return nullptr;
    HWND parent = GetParent(info.hwndFocus);
    wchar_t cls[32] = {};
    if (parent) GetClassNameW(parent, cls, 32);
    return lstrcmpiW(cls, L"ComboBox") == 0 ? parent : info.hwndFocus;
}

bool OstrandSession::WaitForFocus(HWND control, DWORD timeout_ms) const {
    return Poll(timeout_ms, [&] { return Focused() == control; });
}

void OstrandSession::Type(int id, const std::wstring& text) {
    SendMessageW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void OstrandSession::Paste(int id, const std::wstring& text) {
    HWND field = control(id);
    if (HWND inner = FindWindowExW(field, nullptr, L"Edit", nullptr)) field = inner;  // the combo box's
    SendMessageW(field, EM_SETSEL, 0, -1);
    SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring OstrandSession::Text(int id) const { return WindowText(control(id)); }

void OstrandSession::Click(int id) { PostMessageW(control(id), BM_CLICK, 0, 0); }

void OstrandSession::PostKey(HWND target, UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

int OstrandSession::WaitForExit(DWORD timeout_ms) {
    if (WaitForSingleObject(pi_.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<int>(code);
}

bool OstrandSession::Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

void OstrandSession::Settle(DWORD ms) const {
    // A round trip through the tool, then time for what it posts itself.
    if (dialog_) SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    Sleep(ms);
}

}  // namespace ostrand_ui
