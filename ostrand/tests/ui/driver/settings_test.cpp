// Loading at start and saving with 保存, through the registry of the Wine prefix.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "prefix_registry.h"
#include "resource.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

TEST(Settings, SavedFieldsComeBackOnTheNextStartAlsoFromAReadOnlyKey) {
    DeleteSettingsKey();
    const std::wstring dept = L"城东送水站", database = L"  water ", server = L"DB\\MAIN", password = L"p;w'd";
    {
        OstrandSession tool;
        ASSERT_NE(tool.WaitForDialog(), nullptr);
        tool.Settle();
        EXPECT_TRUE(SettingsKeyExists()) << "showing the dialog creates the key";
        EXPECT_EQ(tool.WaitForMessageBox(500).window, nullptr) << "a missing key is no failure";
        tool.Type(IDC_EDT_DEPT, dept);
        tool.Type(IDC_EDT_DATABASE, database);
        tool.Type(IDC_CBB_SERVER, server);
        tool.Type(IDC_EDT_PASSWORD, password);
        tool.Click(IDC_BTN_OK);
        ExpectPrompt(tool, kInformation, L"保存完毕！", IDI_INFORMATION);
        EXPECT_TRUE(tool.Running()) << "the dialog stays open after saving";
        for (const wchar_t* name : {L"DeptName", L"DataBase", L"Server", L"PassWord"}) {
            const std::wstring stored = StoredSetting(name);
            EXPECT_FALSE(stored.empty()) << name;
            EXPECT_EQ(stored.find(L"water"), std::wstring::npos) << "nothing stored in plain text";
        }
    }
    // Then from a key the user may read but no longer write.
    for (const bool read_only : {false, true}) {
        SCOPED_TRACE(read_only ? "read-only key" : "writable key");
        std::optional<ScopedWriteProtectedSettingsKey> protection;
        if (read_only) {
            ASSERT_TRUE(protection.emplace().protected_now());
        }
        OstrandSession again;
        ASSERT_NE(again.WaitForDialog(), nullptr);
        again.Settle();
        EXPECT_EQ(again.Text(IDC_EDT_DEPT), dept);
        EXPECT_EQ(again.Text(IDC_EDT_DATABASE), database) << "saved with its blanks";
        EXPECT_EQ(again.Text(IDC_CBB_SERVER), server);
        EXPECT_EQ(again.Text(IDC_EDT_PASSWORD), password);
        EXPECT_EQ(again.WaitForMessageBox(500).window, nullptr);
    }
}

TEST(Settings, FieldsHaveNoLengthLimit) {
    DeleteSettingsKey();
    constexpr std::size_t kLength = 40000;
    struct Field {
        int id;
        const wchar_t* value_name;
        std::wstring text;
    };
    std::vector<Field> fields = {{IDC_EDT_DEPT, L"DeptName", {}}, {IDC_EDT_DATABASE, L"DataBase", {}},
                                 {IDC_CBB_SERVER, L"Server", {}}, {IDC_EDT_PASSWORD, L"PassWord", {}}};
    for (std::size_t f = 0; f < fields.size(); ++f) {
        for (std::size_t i = 0; i < kLength; ++i) fields[f].text += static_cast<wchar_t>(L'a' + (i + f) % 26);
    }
    {
        OstrandSession tool;
        ASSERT_NE(tool.WaitForDialog(), nullptr);
        for (const Field& field : fields) tool.Paste(field.id, field.text);
        tool.Click(IDC_BTN_OK);
        ExpectPrompt(tool, kInformation, L"保存完毕！", IDI_INFORMATION);
        for (const Field& field : fields) {
            EXPECT_EQ(StoredSetting(field.value_name).size(), 4 * kLength + 1) << field.value_name;
        }
    }
    OstrandSession again;
    ASSERT_NE(again.WaitForDialog(), nullptr);
    again.Settle();
    for (const Field& field : fields) {
        EXPECT_TRUE(again.Text(field.id) == field.text) << field.value_name << " comes back whole";
    }
}

TEST(Settings, FailedWriteGoesToTheGenericReportAndSavingIsNotConfirmed) {
    DeleteSettingsKey();
    const ScopedWriteProtectedSettingsKey key;
    ASSERT_TRUE(key.protected_now());
    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    tool.Type(IDC_EDT_DATABASE, L"water");
    tool.Type(IDC_CBB_SERVER, L"DBHOST");
    tool.Click(IDC_BTN_OK);
    ExpectPrompt(tool, L"系统配置", L"Failed to set data for 'DeptName'", IDI_ERROR, false, L"save_failed.png");
    EXPECT_EQ(tool.WaitForMessageBox(1000).window, nullptr) << "no 保存完毕！ after a failed save";
    EXPECT_TRUE(tool.Running());
}

TEST(Settings, ValueOfTheWrongTypeAsksAndTheDialogStillOpens) {
    DeleteSettingsKey();
    PutSettingsDword(L"DataBase", 7);
    OstrandSession tool;
    const MessageBoxSeen box = tool.WaitForMessageBox();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, kInquiry);
    EXPECT_EQ(box.text, L"读系统文件出错，请检查系统注册表！");
    EXPECT_EQ(box.icon, IDI_QUESTION);
    EXPECT_TRUE(box.has_ok);
    EXPECT_TRUE(box.has_cancel);
    tool.Answer(box, IDCANCEL);  // the answer does not matter
    EXPECT_NE(tool.WaitForDialog(), nullptr);
    DeleteSettingsKey();
}

}  // namespace
}  // namespace ostrand_ui
