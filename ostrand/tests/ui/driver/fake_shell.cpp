#include "fake_shell.h"

#include <algorithm>

namespace ostrand_ui {
namespace {

constexpr wchar_t kTaskbarClass[] = L"Shell_TrayWnd";
constexpr DWORD kStartMs = 5000;

// How Wine's shell32 hands a notification record to the taskbar window: four 32-bit
// fields (window, id, flags, callback message), the tip in 128 UTF-16 characters,
// then state, balloon texts and the icon's bits. Only the head is read here; the
// whole record, constant but for the icon within one run, fingerprints the frame.
struct RecordHead {
    std::uint32_t window;
    std::uint32_t id;
    std::uint32_t flags;
    std::uint32_t callback;
    wchar_t tip[128];
};

std::uint32_t Fingerprint(const void* data, DWORD size) {
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (DWORD i = 0; i < size; ++i) {
        h ^= static_cast<const std::uint8_t*>(data)[i];
        h *= 16777619u;
    }
    return h;
}

}  // namespace

FakeShell::FakeShell(Answer answer) : answer_(answer) {
    InitializeCriticalSection(&lock_);
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready_, kStartMs);
}

FakeShell::~FakeShell() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (thread_) {
        WaitForSingleObject(thread_, kStartMs);
        CloseHandle(thread_);
    }
    CloseHandle(ready_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI FakeShell::Run(LPVOID param) {
    auto* self = static_cast<FakeShell*>(param);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTaskbarClass;
    RegisterClassW(&wc);  // kept for the next shell of the run
    // Top-most, so a search for the taskbar finds this window before the desktop's.
    self->window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kTaskbarClass, L"", WS_POPUP, 0, 0, 0,
                                    0, nullptr, nullptr, wc.hInstance, nullptr);
    if (self->window_) SetWindowLongPtrW(self->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    SetEvent(self->ready_);
    MSG msg;
    while (self->window_ && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

LRESULT CALLBACK FakeShell::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FakeShell*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COPYDATA: {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            return self && data ? self->Take(static_cast<DWORD>(data->dwData), *data) : FALSE;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

BOOL FakeShell::Take(DWORD action, const COPYDATASTRUCT& data) {
    if (data.cbData < sizeof(RecordHead)) return FALSE;
    RecordHead head;
    CopyMemory(&head, data.lpData, sizeof head);
    Request request;
    request.action = action;
    request.window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(head.window));
    request.id = head.id;
    std::size_t tip_length = 0;
    while (tip_length < 128 && head.tip[tip_length]) ++tip_length;
    request.tip.assign(head.tip, tip_length);
    request.image = Fingerprint(data.lpData, data.cbData);
    request.tick = GetTickCount();

    EnterCriticalSection(&lock_);
    const auto key = std::make_pair(request.window, request.id);
    const auto held = std::find(icons_.begin(), icons_.end(), key);
    switch (action) {
        case NIM_ADD:
            request.granted = answer_ == Answer::Accept && held == icons_.end();
            if (request.granted) icons_.push_back(key);
            break;
        case NIM_DELETE:
            request.granted = held != icons_.end();
            if (request.granted) icons_.erase(held);
            break;
        default:
            request.granted = held != icons_.end();
    }
    if (head.flags != 0) requests_.push_back(request);  // a probe changes nothing
    LeaveCriticalSection(&lock_);
    return request.granted ? TRUE : FALSE;
}

bool FakeShell::Installed() const { return window_ && FindWindowW(kTaskbarClass, nullptr) == window_; }

void FakeShell::set_answer(Answer answer) {
    EnterCriticalSection(&lock_);
    answer_ = answer;
    LeaveCriticalSection(&lock_);
}

std::vector<FakeShell::Request> FakeShell::Requests() const {
    EnterCriticalSection(&lock_);
    std::vector<Request> copy = requests_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool FakeShell::Holds(HWND window, UINT id) const {
    EnterCriticalSection(&lock_);
    const bool held = std::find(icons_.begin(), icons_.end(), std::make_pair(window, id)) != icons_.end();
    LeaveCriticalSection(&lock_);
    return held;
}

void AnnounceNewTaskbar() {
    SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
}

}  // namespace ostrand_ui
