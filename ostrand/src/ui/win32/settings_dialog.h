// TfrmConSetGl: the settings dialog, the tool's main and only window.
#pragma once
#include <windows.h>

#include <array>
#include <memory>

#include "ado_connection.h"
#include "gdi_handles.h"
#include "tray_icon.h"

namespace ostrand {

class AppWindow;

class SettingsDialog {
public:
    SettingsDialog(HINSTANCE instance, AppWindow& app);
    ~SettingsDialog();
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    // Creates the dialog hidden; false when the template cannot be loaded.
    bool Create();
    // FormShow, then the dialog appears.
    void Show();
    HWND hwnd() const { return dialog_; }

    // Key preview: sees a queued message before the control that has the focus.
    // True when the message was consumed.
    bool PreviewKey(MSG& msg);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);

    void FormCreate();
    void FormShow();
    void FormKeyPress(char key);
    void btnOkClick();
    void BitBtn3Click();
    void BitBtn2Click();
    void AppMinimize();
    void RtConfigDblClick();
    void mOpenClick();
    void mCloseClick();

    bool FieldsComplete();
    void FocusControl(int id);
    void StyleControls();
    INT_PTR ColourInput(HDC dc);
    HICON GlyphOf(int button_id) const;

    HINSTANCE instance_;
    AppWindow& app_;
    HWND dialog_ = nullptr;
    FontHandle dialog_font_;
    FontHandle label_font_;
    FontHandle button_font_;
    FontHandle input_font_;
    BrushHandle input_brush_;
    IconHandle big_icon_;
    IconHandle small_icon_;
    std::array<IconHandle, 3> glyphs_;
    std::array<IconHandle, kTrayFrameCount> frames_;
    MenuHandle tray_menu_;
    std::unique_ptr<TrayIcon> tray_;  // RtConfig
    AdoConnection connection_;        // ADOCnn
};

}  // namespace ostrand
