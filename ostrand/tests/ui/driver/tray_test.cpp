// Withdrawing into the notification area and coming back, through the tray icon's
// window as the shell would address it.
#include <gtest/gtest.h>

#include "prefix_registry.h"
#include "resource.h"
#include "screen.h"
#include "tray_protocol.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSettingsKey();
        ASSERT_NE(tool_.WaitForDialog(), nullptr);
        tray_ = tool_.TrayWindow();
        ASSERT_NE(tray_, nullptr);
    }
    void Minimise() {
        SendMessageTimeoutW(tool_.dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    }
    // The shell posts the icon's mouse messages; posted here too, as a menu opened by
    // one of them holds the tool until it closes.
    void Mouse(UINT message) {
        PostMessageW(tray_, ostrand::kTrayCallbackMessage, ostrand::kTrayIconId, message);
        tool_.Settle();
    }
    // Opens the tray menu and picks its n-th item (1-based) with the keyboard.
    void PickFromMenu(int item, const wchar_t* shot = nullptr) {
        Mouse(WM_RBUTTONUP);
        HWND menu = tool_.WaitForMenu();
        ASSERT_NE(menu, nullptr) << "the tray menu did not open";
        Sleep(200);
        if (shot) {
            EXPECT_TRUE(SaveScreenPng(ShotPath(shot)));
        }
        for (int i = 0; i < item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        Sleep(300);
    }
    void ExpectShown() {
        WaitUntil([this] { return IsWindowVisible(tool_.dialog()) && !TrayIconPresent(tray_); });
        EXPECT_TRUE(IsWindowVisible(tool_.dialog()));
        EXPECT_TRUE(IsWindowVisible(tool_.AppWindow())) << "taskbar button back";
        EXPECT_FALSE(TrayIconPresent(tray_));
    }
    void ExpectInTray() {
        WaitUntil([this] { return !IsWindowVisible(tool_.dialog()) && TrayIconPresent(tray_); });
        EXPECT_FALSE(IsWindowVisible(tool_.dialog()));
        EXPECT_FALSE(IsWindowVisible(tool_.AppWindow())) << "no taskbar button while in the tray";
        EXPECT_TRUE(TrayIconPresent(tray_));
    }
    OstrandSession tool_;
    HWND tray_ = nullptr;
};

TEST_F(Tray, MinimiseAndRestoreRepeatedlyKeepsAtMostOneIcon) {
    ExpectShown();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Minimise();
        Minimise();  // a second minimise adds no second icon
        ExpectInTray();
        if (round == 1) {
            PickFromMenu(1, L"tray_menu.png");  // 打开
        } else {
            Mouse(WM_LBUTTONDBLCLK);
        }
        ExpectShown();
    }
}

TEST_F(Tray, SingleClickDoesNothing) {
    Minimise();
    Mouse(WM_LBUTTONDOWN);
    Mouse(WM_LBUTTONUP);
    ExpectInTray();
}

TEST_F(Tray, CloseFromTheMenuEndsTheToolWithoutShowingIt) {
    tool_.Type(IDC_EDT_DEPT, L"unsaved");
    Minimise();
    ExpectInTray();
    const HWND tray = tray_;
    PickFromMenu(2);  // 关闭
    EXPECT_EQ(tool_.WaitForExit(), 0);
    EXPECT_FALSE(TrayIconPresent(tray)) << "no icon left behind";
    EXPECT_EQ(StoredSetting(L"DeptName"), L"");
}

}  // namespace
}  // namespace ostrand_ui
