// Key preview: Enter moves on through the tab order or presses the focused button;
// Esc and 关闭 end the tool at once.
#include <gtest/gtest.h>

#include <string>

#include "prefix_registry.h"
#include "resource.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSettingsKey();
        ASSERT_NE(tool_.WaitForDialog(), nullptr);
    }
    void FocusOn(int id) {
        PostMessageW(tool_.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tool_.control(id)), TRUE);
        ASSERT_TRUE(tool_.WaitForFocus(tool_.control(id)));
    }
    void PressEnter() {
        tool_.PostKey(tool_.Focused() ? GetFocusWindow() : tool_.dialog(), VK_RETURN);
        tool_.Settle(100);
    }
    HWND GetFocusWindow() {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(tool_.dialog(), nullptr), &info);
        return info.hwndFocus;
    }
    OstrandSession tool_;
};

TEST_F(Keyboard, EnterFollowsTheTabOrderAndThenPressesSave) {
    FocusOn(IDC_EDT_PASSWORD);
    for (wchar_t c : std::wstring(L"pw")) PostMessageW(GetFocusWindow(), WM_CHAR, c, 1);
    PressEnter();
    EXPECT_TRUE(tool_.WaitForFocus(tool_.control(IDC_EDT_DATABASE)));
    EXPECT_EQ(tool_.Text(IDC_EDT_PASSWORD), L"pw") << "other characters pass, Enter is swallowed";

    tool_.Type(IDC_EDT_DATABASE, L"water");
    tool_.Type(IDC_CBB_SERVER, L"SRV");
    FocusOn(IDC_CBB_SERVER);
    PressEnter();
    ASSERT_TRUE(tool_.WaitForFocus(tool_.control(IDC_BTN_OK)));
    PressEnter();
    ExpectPrompt(tool_, kInformation, L"保存完毕！", IDI_INFORMATION);
    EXPECT_NE(StoredSetting(L"DataBase"), L"");
}

TEST_F(Keyboard, EnterOnCloseEndsTheTool) {
    FocusOn(IDC_BTN_CLOSE);
    PressEnter();
    EXPECT_EQ(tool_.WaitForExit(), 0);
}

TEST_F(Keyboard, EscEndsTheToolFromAnEditField) {
    tool_.Type(IDC_EDT_DEPT, L"unsaved");
    FocusOn(IDC_EDT_DEPT);
    tool_.PostKey(GetFocusWindow(), VK_ESCAPE);
    EXPECT_EQ(tool_.WaitForExit(), 0);
    EXPECT_EQ(StoredSetting(L"DeptName"), L"") << "closing saves nothing";
}

TEST_F(Keyboard, CloseButtonEndsTheTool) {
    tool_.Click(IDC_BTN_CLOSE);
    EXPECT_EQ(tool_.WaitForExit(), 0);
}

}  // namespace
}  // namespace ostrand_ui
