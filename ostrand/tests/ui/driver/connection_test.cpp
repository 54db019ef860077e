// 测试: the connection test through ADO, and through a stand-in connection that
// records the string it was given.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "fake_classes.h"
#include "prefix_registry.h"
#include "resource.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

const std::wstring kPrefix =
    L"Provider = SQLOLEDB.1;Persist Security Info = true;User ID = sa; PassWord = ";

std::vector<std::wstring> ReadLog(const std::wstring& path) {
    std::vector<std::wstring> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lines;
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                            static_cast<int>(text.size()))));
    std::wstringstream in(text);
    for (std::wstring line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ConnectionTest, WithoutASqlServerProviderTheFailureIsPrompted) {
    DeleteSettingsKey();
    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    tool.Type(IDC_EDT_DATABASE, L"water");
    tool.Type(IDC_CBB_SERVER, L"NOSUCHHOST");
    tool.Type(IDC_EDT_PASSWORD, L"x");
    for (int attempt = 0; attempt < 2; ++attempt) {
        tool.Click(IDC_BTN_TEST);
        ExpectPrompt(tool, kError, L"数据连接失败,请检查数据库配置。。。！", IDI_ERROR);
    }
    EXPECT_EQ(StoredSetting(L"DataBase"), L"") << "testing saves nothing";
}

std::wstring FreshLogPath() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"ostrand_connection_log.txt";
    DeleteFileW(log.c_str());
    return log;
}

TEST(ConnectionTest, SuccessIsPromptedAndTheStringIsExactlyAsBuilt) {
    DeleteSettingsKey();
    const std::wstring log = FreshLogPath();
    ScopedProgId connection(L"ADODB.Connection", FAKE_CONNECTION_CLSID);
    ScopedEnvironment log_var(FAKE_CONNECTION_LOG_VAR, log);

    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    tool.Type(IDC_EDT_DATABASE, L"水务");
    tool.Type(IDC_CBB_SERVER, L"DBHOST");
    tool.Type(IDC_EDT_PASSWORD, L"");
    tool.Click(IDC_BTN_TEST);
    ExpectPrompt(tool, kInformation, L"数据连接成功。。。", IDI_INFORMATION);

    tool.Type(IDC_EDT_DATABASE, L" water");
    tool.Type(IDC_EDT_PASSWORD, L"a;b\"c");
    tool.Click(IDC_BTN_TEST);
    ExpectPrompt(tool, kInformation, L"数据连接成功。。。", IDI_INFORMATION);

    const std::vector<std::wstring> expected = {
        L"open " + kPrefix + L"; Initial CataLog = 水务; Data Source = DBHOST",
        L"close",  // the previous connection is closed before the next one opens
        L"open " + kPrefix + L"\"a;b\"\"c\"; Initial CataLog = \" water\"; Data Source = DBHOST",
    };
    EXPECT_EQ(ReadLog(log), expected);
}

// A failed test leaves the connection closed: the next test opens without closing.
TEST(ConnectionTest, SuccessFailureSuccess) {
    DeleteSettingsKey();
    const std::wstring log = FreshLogPath();
    ScopedProgId connection(L"ADODB.Connection", FAKE_CONNECTION_CLSID);
    ScopedEnvironment log_var(FAKE_CONNECTION_LOG_VAR, log);
    ScopedEnvironment unreachable(FAKE_UNREACHABLE_SERVER_VAR, L"DOWNHOST");

    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    tool.Type(IDC_EDT_DATABASE, L"water");
    const struct {
        const wchar_t* server;
        const std::wstring caption, text;
        LPCWSTR icon;
    } attempts[] = {
        {L"DBHOST", kInformation, L"数据连接成功。。。", IDI_INFORMATION},
        {L"DOWNHOST", kError, L"数据连接失败,请检查数据库配置。。。！", IDI_ERROR},
        {L"DBHOST", kInformation, L"数据连接成功。。。", IDI_INFORMATION},
    };
    for (const auto& attempt : attempts) {
        tool.Type(IDC_CBB_SERVER, attempt.server);
        tool.Click(IDC_BTN_TEST);
        ExpectPrompt(tool, attempt.caption, attempt.text, attempt.icon);
    }
    const std::wstring to = kPrefix + L"; Initial CataLog = water; Data Source = ";
    const std::vector<std::wstring> expected = {
        L"open " + to + L"DBHOST",
        L"close",
        L"refused " + to + L"DOWNHOST",
        L"open " + to + L"DBHOST",
    };
    EXPECT_EQ(ReadLog(log), expected);
}

}  // namespace
}  // namespace ostrand_ui
