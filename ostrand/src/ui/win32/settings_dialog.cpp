#include "settings_dialog.h"

#include <commctrl.h>

#include "app_window.h"
#include "connection_string.h"
#include "dialog_fields.h"
#include "dialog_layout.h"
#include "error_report.h"
#include "flat_combo.h"
#include "gbk_texts.h"
#include "owner_drawn.h"
#include "prompt.h"
#include "resource.h"
#include "server_list.h"
#include "settings_store.h"
#include "text_trim.h"
#include "tray_tip.h"
#include "unhandled_error.h"

namespace ostrand {
namespace {

constexpr char kDialogClass[] = "TfrmConSetGl";
constexpr COLORREF kInputBackground = RGB(0, 255, 255);  // aqua
constexpr COLORREF kInputText = RGB(0, 0, 255);          // blue
constexpr COLORREF kLabelText = RGB(0, 0, 0);
constexpr int kDialogFontHeight = 12;
constexpr int kInputFontHeight = 12;
constexpr int kLabelFontHeight = 14;
constexpr int kButtonFontHeight = 14;
constexpr int kIconSize = 32;
constexpr int kGlyphSize = 16;
constexpr char kEnterKey = '\r';
constexpr WPARAM kNoLengthLimit = 0;

constexpr int kInputIds[] = {IDC_EDT_DEPT, IDC_EDT_DATABASE, IDC_CBB_SERVER, IDC_EDT_PASSWORD};
constexpr int kLabelIds[] = {IDC_LABEL1, IDC_LABEL2, IDC_LABEL3, IDC_LABEL4};
constexpr int kButtonIds[] = {IDC_BTN_TEST, IDC_BTN_OK, IDC_BTN_CLOSE};
constexpr int kGlyphIds[] = {IDI_GLYPH_TEST, IDI_GLYPH_SAVE, IDI_GLYPH_CLOSE};
constexpr int kFrameIds[kTrayFrameCount] = {IDI_TRAY_FRAME1, IDI_TRAY_FRAME2, IDI_TRAY_FRAME3,
                                            IDI_TRAY_FRAME4, IDI_TRAY_FRAME5, IDI_TRAY_FRAME6};

HFONT SimSun(int pixel_height) {
    return CreateFontA(-pixel_height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, texts::kFontSimSun);
}

HICON LoadIconSized(HINSTANCE instance, int id, int size) {
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

SettingsDialog::SettingsDialog(HINSTANCE instance, AppWindow& app)
    : instance_(instance), app_(app) {}

SettingsDialog::~SettingsDialog() {
    tray_.reset();
    if (dialog_ && IsWindow(dialog_)) {
        SetWindowLongPtrA(dialog_, DWLP_USER, 0);
        DestroyWindow(dialog_);
    }
}

bool SettingsDialog::Create() {
    big_icon_ = IconHandle(LoadIconSized(instance_, IDI_APP, kIconSize));
    small_icon_ = IconHandle(LoadIconSized(instance_, IDI_APP, kGlyphSize));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefDlgProcA;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance_;
    wc.hIcon = big_icon_.get();
    wc.hIconSm = small_icon_.get();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDialogClass;
    RegisterClassExA(&wc);
    dialog_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_SETTINGS), app_.hwnd(),
                                 DialogProc, reinterpret_cast<LPARAM>(this));
    if (!dialog_) return false;
    app_.set_main_window(dialog_);
    return true;
}

void SettingsDialog::Show() {
    FormShow();
    ShowWindow(dialog_, SW_SHOW);
    SetForegroundWindow(dialog_);
}

void SettingsDialog::StyleControls() {
    label_font_ = FontHandle(SimSun(kLabelFontHeight));
    button_font_ = FontHandle(SimSun(kButtonFontHeight));
    input_font_ = FontHandle(SimSun(kInputFontHeight));
    input_brush_ = BrushHandle(CreateSolidBrush(kInputBackground));
    for (int id : kLabelIds) SendDlgItemMessageA(dialog_, id, WM_SETFONT,
                                                 reinterpret_cast<WPARAM>(label_font_.get()), FALSE);
    for (int id : kInputIds) {
        HWND input = GetDlgItem(dialog_, id);
        SendMessageA(input, WM_SETFONT, reinterpret_cast<WPARAM>(input_font_.get()), FALSE);
        // No length limit: 0 lifts the controls' default of 30,000 characters.
        SendMessageA(input, id == IDC_CBB_SERVER ? CB_LIMITTEXT : EM_SETLIMITTEXT, kNoLengthLimit, 0);
        // Flat fields: a single line instead of the sunken edge dialogs add.
        SetWindowLongA(input, GWL_EXSTYLE, GetWindowLongA(input, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
        if (id == IDC_CBB_SERVER) {
            MakeComboFlat(input);
        } else {
            SetWindowLongA(input, GWL_STYLE, GetWindowLongA(input, GWL_STYLE) | WS_BORDER);
        }
        SetWindowPos(input, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    SendDlgItemMessageA(dialog_, IDC_EDT_PASSWORD, EM_SETPASSWORDCHAR, '*', 0);
    for (std::size_t i = 0; i < glyphs_.size(); ++i) {
        glyphs_[i] = IconHandle(LoadIconSized(instance_, kGlyphIds[i], kGlyphSize));
    }

    // The template's point size turns into more pixels on a screen of more DPI; the
    // dialog's font, and with it the page caption and the tab row, stays 12 pixels.
    dialog_font_ = FontHandle(SimSun(kDialogFontHeight));
    SendMessageA(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font_.get()), FALSE);
    HWND page = GetDlgItem(dialog_, IDC_PAGE);
    SendMessageA(page, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font_.get()), FALSE);
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>(texts::kPageCaption);
    SendMessageA(page, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tab));
}

void SettingsDialog::FormCreate() {
    SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.get()));
    SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
    StyleControls();
    ApplyLayout(dialog_);

    std::array<HICON, kTrayFrameCount> frames{};
    for (int i = 0; i < kTrayFrameCount; ++i) {
        frames_[static_cast<std::size_t>(i)] = IconHandle(LoadIconSized(instance_, kFrameIds[i], kIconSize));
        frames[static_cast<std::size_t>(i)] = frames_[static_cast<std::size_t>(i)].get();
    }
    tray_menu_ = MenuHandle(LoadMenuA(instance_, MAKEINTRESOURCEA(IDM_TRAY)));
    TrayIcon::Handlers handlers;
    handlers.double_click = [this] { RtConfigDblClick(); };
    handlers.menu_command = [this](UINT command) {
        if (command == IDM_OPEN) mOpenClick();
        if (command == IDM_CLOSE) mCloseClick();
    };
    handlers.shell_restarted = [this](bool accepted) {
        if (accepted) {
            app_.HideButton();
        } else {
            app_.ShowButton();  // as when minimising finds no notification area
        }
    };
    tray_ = std::make_unique<TrayIcon>(instance_, frames, TrayTip(), GetSubMenu(tray_menu_.get(), 0),
                                       std::move(handlers));
}

void SettingsDialog::FormShow() {
    app_.set_minimize_handler([this] { AppMinimize(); });
    app_.set_restore_handler([this] { RtConfigDblClick(); });
    FillServerList(GetDlgItem(dialog_, IDC_CBB_SERVER));
    DialogFields fields(dialog_);
    if (!LoadSettings(fields)) ShowPrompt(texts::kLoadFailed, PromptKind::Inquiry);
}

void SettingsDialog::FocusControl(int id) {
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog_, id)), TRUE);
}

bool SettingsDialog::FieldsComplete() {
    if (IsBlank(ControlText(GetDlgItem(dialog_, IDC_EDT_DATABASE)))) {
        ShowPrompt(texts::kEnterDataBaseName, PromptKind::Information);
        FocusControl(IDC_EDT_DATABASE);
        return false;
    }
    if (IsBlank(ControlText(GetDlgItem(dialog_, IDC_CBB_SERVER)))) {
        ShowPrompt(texts::kEnterServerName, PromptKind::Information);
        FocusControl(IDC_CBB_SERVER);
        return false;
    }
    return true;
}

void SettingsDialog::btnOkClick() {
    if (!FieldsComplete()) return;
    try {
        SaveSettings(DialogFields(dialog_));
    } catch (const std::exception& error) {
        // SettingsWriteError and anything else the store lets out: the generic report.
        ShowErrorReport(error.what());
        return;
    }
    ShowPrompt(texts::kSaved, PromptKind::Information);
}

void SettingsDialog::BitBtn3Click() {
    if (!FieldsComplete()) return;
    DialogFields fields(dialog_);
    const std::string connection = BuildConnectionString(
        fields.field(Setting::PassWord), fields.field(Setting::DataBase), fields.field(Setting::Server));
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const bool opened = connection_.Reopen(connection);
    SetCursor(previous);
    if (opened) {
        ShowPrompt(texts::kConnected, PromptKind::Information);
    } else {
        ShowPrompt(texts::kConnectFailed, PromptKind::Error);
    }
}

void SettingsDialog::BitBtn2Click() { DestroyWindow(dialog_); }

void SettingsDialog::FormKeyPress(char key) {
    if (key == kEnterKey) SendMessageA(dialog_, WM_NEXTDLGCTL, 0, 0);
}

void SettingsDialog::AppMinimize() {
    app_.HideButton();
    // Without a notification area to take the icon the tool would be left with no
    // way back; the taskbar button stays then.
    if (!tray_ || !tray_->Activate()) app_.ShowButton();
}

void SettingsDialog::RtConfigDblClick() {
    app_.Restore();
    if (tray_) tray_->Deactivate();
}

void SettingsDialog::mOpenClick() { RtConfigDblClick(); }

// Posted: the menu command comes from inside the tray icon's message handling, which
// must not be left to run on while the dialog goes.
void SettingsDialog::mCloseClick() { PostMessageA(dialog_, WM_CLOSE, 0, 0); }

bool SettingsDialog::PreviewKey(MSG& msg) {
    if (!dialog_ || (msg.hwnd != dialog_ && !IsChild(dialog_, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        // An open server list takes its Enter first: the highlighted name becomes the
        // box's text (closing the list alone leaves the text as it was), and the list
        // closes. The character then moves the focus on as after any Enter.
        HWND servers = GetDlgItem(dialog_, IDC_CBB_SERVER);
        if (SendMessageA(servers, CB_GETDROPPEDSTATE, 0, 0)) {
            const LRESULT highlighted = SendMessageA(servers, CB_GETCURSEL, 0, 0);
            if (highlighted != CB_ERR) SendMessageA(servers, CB_SETCURSEL, highlighted, 0);
            SendMessageA(servers, WM_KEYDOWN, msg.wParam, msg.lParam);
        }
        // Turned into its character here, so the dialog manager never sees the key
        // and presses no default button.
        TranslateMessage(&msg);
        return true;
    }
    if (msg.message != WM_CHAR || static_cast<char>(msg.wParam) != kEnterKey) return false;
    HWND focus = GetFocus();
    if (IsPushButton(focus)) {
        // Enter presses the focused push button.
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                     reinterpret_cast<LPARAM>(focus));
    } else {
        FormKeyPress(kEnterKey);
    }
    return true;
}

INT_PTR SettingsDialog::ColourInput(HDC dc) {
    SetTextColor(dc, kInputText);
    SetBkColor(dc, kInputBackground);
    return reinterpret_cast<INT_PTR>(input_brush_.get());
}

HICON SettingsDialog::GlyphOf(int button_id) const {
    for (std::size_t i = 0; i < glyphs_.size(); ++i) {
        if (kButtonIds[i] == button_id) return glyphs_[i].get();
    }
    return nullptr;
}

INT_PTR SettingsDialog::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) != BN_CLICKED) return FALSE;
            switch (LOWORD(wp)) {
                case IDC_BTN_OK: btnOkClick(); return TRUE;
                case IDC_BTN_TEST: BitBtn3Click(); return TRUE;
                case IDC_BTN_CLOSE: BitBtn2Click(); return TRUE;
            }
            return FALSE;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_MINIMIZE) {
                app_.Minimize();
                SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            DestroyWindow(dialog_);
            return TRUE;
        case WM_DESTROY:
            // The tray icon leaves the notification area with the dialog; the object
            // itself goes with this one, after the message loop: the close may come
            // from inside its handling (the tray menu's own loop).
            if (tray_) tray_->Deactivate();
            PostQuitMessage(0);
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (item->CtlID == IDC_PANEL) {
                DrawPanel(*item);
            } else {
                DrawGlyphButton(*item, GlyphOf(static_cast<int>(item->CtlID)), button_font_.get());
            }
            return TRUE;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return ColourInput(reinterpret_cast<HDC>(wp));
        case WM_CTLCOLORSTATIC:
            SetTextColor(reinterpret_cast<HDC>(wp), kLabelText);
            SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return FALSE;
}

INT_PTR CALLBACK SettingsDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) try {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<SettingsDialog*>(lp);
        self->dialog_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self->FormCreate();
        return TRUE;
    }
    auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->Handle(msg, wp, lp) : FALSE;
} catch (...) {
    ReportUnhandledError();
    return TRUE;
}

}  // namespace ostrand
