// The server box's list, from a stand-in enumerator registered as SQLDMO.Application.
#include <gtest/gtest.h>

#include <vector>

#include "fake_classes.h"
#include "prefix_registry.h"
#include "resource.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

std::vector<std::wstring> ListedServers(OstrandSession& tool) {
    std::vector<std::wstring> names;
    HWND box = tool.control(IDC_CBB_SERVER);
    const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t name[256] = {};
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        names.push_back(name);
    }
    return names;
}

TEST(ServerList, WithoutTheEnumeratorTheListStaysEmptyAndNothingIsSaid) {
    DeleteSettingsKey();
    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    EXPECT_EQ(tool.WaitForMessageBox(1000).window, nullptr);
    EXPECT_TRUE(ListedServers(tool).empty());
}

TEST(ServerList, NamesKeepTheirOrderAndDuplicatesBlanksAreSkipped) {
    DeleteSettingsKey();
    ScopedProgId enumerator(L"SQLDMO.Application", FAKE_ENUMERATOR_CLSID);
    {
        ScopedEnvironment names(FAKE_SERVER_NAMES_VAR, L"ALPHA|  ||BETA\t|\t\r\n|ALPHA| 甲服务器 ");
        OstrandSession tool;
        ASSERT_NE(tool.WaitForDialog(), nullptr);
        EXPECT_EQ(ListedServers(tool), (std::vector<std::wstring>{L"ALPHA", L"BETA\t", L"ALPHA", L" 甲服务器 "}));
    }
    {
        ScopedEnvironment names(FAKE_SERVER_NAMES_VAR, L" |\t|");
        OstrandSession tool;
        ASSERT_NE(tool.WaitForDialog(), nullptr);
        EXPECT_TRUE(ListedServers(tool).empty());
    }
}

}  // namespace
}  // namespace ostrand_ui
