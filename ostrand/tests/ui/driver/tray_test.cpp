// Withdrawing into the notification area and coming back, through the tray icon's
// window as the shell would address it. The desktop's own shell holds the icon unless
// a test puts a shell of its own in front (fake_shell.h).
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <set>

#include "fake_shell.h"
#include "prefix_registry.h"
#include "resource.h"
#include "screen.h"
#include "tray_protocol.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

constexpr DWORD kFrameMs = 300;
constexpr std::size_t kFrames = 6;

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSettingsKey();
        ASSERT_NE(tool_.WaitForDialog(), nullptr);
        tray_ = tool_.TrayWindow();
        ASSERT_NE(tray_, nullptr);
    }
    void Minimise() { SysCommand(tool_.dialog(), SC_MINIMIZE); }
    void SysCommand(HWND window, WPARAM command) {
        SendMessageTimeoutW(window, WM_SYSCOMMAND, command, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
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
        WaitUntil([this] {
            return !IsWindowVisible(tool_.dialog()) && TrayIconPresent(tray_) && !IsWindowVisible(tool_.AppWindow());
        });
        EXPECT_FALSE(IsWindowVisible(tool_.dialog()));
        EXPECT_FALSE(IsWindowVisible(tool_.AppWindow())) << "no taskbar button while in the tray";
        EXPECT_TRUE(TrayIconPresent(tray_));
    }
    OstrandSession tool_;
    HWND tray_ = nullptr;
};

TEST_F(Tray, MinimiseAndRestoreRepeatedlyKeepsAtMostOneIcon) {
    enum class Way { DialogAndDoubleClick, DialogAndMenu, ApplicationWindow };
    ExpectShown();
    for (Way way : {Way::DialogAndDoubleClick, Way::DialogAndMenu, Way::ApplicationWindow}) {
        SCOPED_TRACE(static_cast<int>(way));
        HWND minimised_by = way == Way::ApplicationWindow ? tool_.AppWindow() : tool_.dialog();
        SysCommand(minimised_by, SC_MINIMIZE);
        SysCommand(minimised_by, SC_MINIMIZE);  // a second minimise adds no second icon
        ExpectInTray();
        switch (way) {
            case Way::DialogAndDoubleClick: Mouse(WM_LBUTTONDBLCLK); break;
            case Way::DialogAndMenu: PickFromMenu(1, L"tray_menu.png"); break;  // 打开
            case Way::ApplicationWindow: SysCommand(tool_.AppWindow(), SC_RESTORE); break;
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

TEST_F(Tray, FramesTurnEvery300MsInTheTrayAndStopOnRestore) {
    FakeShell shell(FakeShell::Answer::Accept);
    ASSERT_TRUE(shell.Installed());
    Minimise();
    ExpectInTray();
    Sleep(8 * kFrameMs);
    Mouse(WM_LBUTTONDBLCLK);
    ExpectShown();
    const std::size_t at_restore = shell.Requests().size();
    Sleep(4 * kFrameMs);
    std::vector<FakeShell::Request> requests = shell.Requests();
    EXPECT_EQ(requests.size(), at_restore) << "no frame after the icon left";

    ASSERT_GE(requests.size(), kFrames + 3);
    EXPECT_EQ(requests.front().action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(requests.front().tip, L"送水管理 - 系统设置");
    EXPECT_EQ(requests.back().action, static_cast<DWORD>(NIM_DELETE));
    requests.pop_back();
    std::set<std::uint32_t> distinct;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            EXPECT_EQ(requests[i].action, static_cast<DWORD>(NIM_MODIFY));
        }
        EXPECT_EQ(requests[i].image, requests[i % kFrames].image) << "six frames in turn";
        if (i < kFrames) distinct.insert(requests[i].image);
    }
    EXPECT_EQ(distinct.size(), kFrames);
    // The median, as the tool may stall now and then on the display under Wine.
    std::vector<DWORD> gaps;
    for (std::size_t i = 1; i < requests.size(); ++i) gaps.push_back(requests[i].tick - requests[i - 1].tick);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_NEAR(static_cast<double>(gaps[gaps.size() / 2]), kFrameMs, 50.0);
}

TEST_F(Tray, RestartedShellGetsTheIconBack) {
    Minimise();
    ExpectInTray();
    ASSERT_TRUE(ForgetTrayIcon(tray_));
    AnnounceNewTaskbar();
    ExpectInTray();
}

TEST_F(Tray, ShellThatRefusesTheIconLeavesTheTaskbarButtonUntilOneTakesIt) {
    Minimise();
    ExpectInTray();
    ASSERT_TRUE(ForgetTrayIcon(tray_));
    FakeShell shell(FakeShell::Answer::Refuse);
    ASSERT_TRUE(shell.Installed());
    AnnounceNewTaskbar();
    ASSERT_TRUE(WaitUntil([this] { return IsWindowVisible(tool_.AppWindow()); }))
        << "without an icon the taskbar button is the way back";
    EXPECT_TRUE(IsIconic(tool_.AppWindow()));
    EXPECT_FALSE(IsWindowVisible(tool_.dialog()));
    Sleep(4 * kFrameMs);

    shell.set_answer(FakeShell::Answer::Accept);
    AnnounceNewTaskbar();
    ExpectInTray();
    // The frames the tool sent while it still believed the old shell held its icon
    // are refused too; what counts is each add and the frames after the last.
    std::vector<FakeShell::Request> adds, frames_after;
    WaitUntil([&] {
        adds.clear();
        frames_after.clear();
        for (const FakeShell::Request& r : shell.Requests()) {
            if (r.action == NIM_ADD) {
                adds.push_back(r);
            } else if (adds.size() == 2) {
                frames_after.push_back(r);
            }
        }
        return frames_after.size() >= 2;
    });
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_FALSE(adds[0].granted);
    EXPECT_TRUE(adds[1].granted);
    EXPECT_EQ(adds[1].image, adds[0].image) << "no frame turned while no shell held the icon";
    ASSERT_GE(frames_after.size(), 2u) << "frames turn again for the shell that took it";
    EXPECT_NE(frames_after[0].image, adds[1].image);
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

TEST_F(Tray, CloseArrivingWhileTheMenuOpensEndsTheToolCleanly) {
    Minimise();
    ExpectInTray();
    // Both queued together: the close is handled inside the menu's own message loop.
    PostMessageW(tray_, ostrand::kTrayCallbackMessage, ostrand::kTrayIconId, WM_RBUTTONUP);
    PostMessageW(tool_.dialog(), WM_CLOSE, 0, 0);
    EXPECT_EQ(tool_.WaitForExit(), 0);
}

TEST_F(Tray, CloseBoxOfTheFrameEndsTheTool) {
    PostMessageW(tool_.dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(tool_.WaitForExit(), 0);
}

}  // namespace
}  // namespace ostrand_ui
