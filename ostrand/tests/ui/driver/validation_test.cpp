// The checks before saving and testing: a blank database or server name is refused
// with a prompt and the focus goes to the field that is missing.
#include <gtest/gtest.h>

#include "prefix_registry.h"
#include "resource.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

struct MissingName {
    const wchar_t* database;
    const wchar_t* server;
    int button;
    const wchar_t* prompt;
    int focus;
};

TEST(Validation, BlankNamesArePromptedWithTheFocusOnTheField) {
    DeleteSettingsKey();
    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    const MissingName cases[] = {
        {L"   ", L"SRV", IDC_BTN_OK, L"请输入数据库名称！", IDC_EDT_DATABASE},
        {L"\t ", L"SRV", IDC_BTN_TEST, L"请输入数据库名称！", IDC_EDT_DATABASE},
        {L"", L"", IDC_BTN_OK, L"请输入数据库名称！", IDC_EDT_DATABASE},
        {L"water", L"", IDC_BTN_OK, L"请输入服务器名称！", IDC_CBB_SERVER},
        {L"water", L"  ", IDC_BTN_TEST, L"请输入服务器名称！", IDC_CBB_SERVER},
    };
    bool first = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.database) + L"/" + c.server));
        tool.Type(IDC_EDT_DATABASE, c.database);
        tool.Type(IDC_CBB_SERVER, c.server);
        // Start from elsewhere so the move of the focus is seen.
        PostMessageW(tool.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tool.control(IDC_EDT_DEPT)), TRUE);
        tool.Settle(100);
        tool.Click(c.button);
        ExpectPrompt(tool, kInformation, c.prompt, IDI_INFORMATION, false, first ? L"prompt.png" : nullptr);
        first = false;
        EXPECT_TRUE(tool.WaitForFocus(tool.control(c.focus)));
    }
    EXPECT_EQ(StoredSetting(L"DataBase"), L"") << "nothing is saved after a refusal";
    EXPECT_TRUE(tool.Running());
}

}  // namespace
}  // namespace ostrand_ui
