#include "ui_expect.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include "driver_options.h"
#include "screen.h"
#include "tray_protocol.h"

namespace ostrand_ui {

std::wstring ShotPath(const wchar_t* name) { return Options().screenshots + L"\\" + name; }

void ExpectPrompt(OstrandSession& tool, const std::wstring& caption, const std::wstring& text, LPCWSTR icon,
                  bool with_cancel, const wchar_t* shot) {
    const MessageBoxSeen box = tool.WaitForMessageBox();
    ASSERT_NE(box.window, nullptr) << "no prompt for " << testing::PrintToString(text);
    if (shot) {
        EXPECT_TRUE(SaveScreenPng(ShotPath(shot)));
    }
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, icon) << "icon of " << testing::PrintToString(text);
    EXPECT_TRUE(box.has_ok);
    EXPECT_EQ(box.has_cancel, with_cancel);
    tool.Answer(box, IDOK);
}

namespace {

bool NotifyAboutToolIcon(HWND tray_window, DWORD action) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = NOTIFYICONDATAW_V1_SIZE;
    probe.hWnd = tray_window;
    probe.uID = ostrand::kTrayIconId;
    probe.uFlags = 0;
    return Shell_NotifyIconW(action, &probe) != FALSE;
}

}  // namespace

// A change of nothing: succeeds only for an icon the shell holds.
bool TrayIconPresent(HWND tray_window) { return NotifyAboutToolIcon(tray_window, NIM_MODIFY); }

bool ForgetTrayIcon(HWND tray_window) { return NotifyAboutToolIcon(tray_window, NIM_DELETE); }

}  // namespace ostrand_ui
