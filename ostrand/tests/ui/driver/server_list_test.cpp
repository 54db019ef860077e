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

// The server box's list while it is dropped down: a pop-up window of the tool's own.
HWND OpenList(const OstrandSession& tool) {
    HWND list = nullptr;
    while ((list = FindWindowExW(nullptr, list, L"ComboLBox", nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(list, &process);
        if (process == tool.process_id() && IsWindowVisible(list)) return list;
    }
    return nullptr;
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

// The name under the pointer in the open list is taken by Enter, which then moves
// the focus on to 保存 as in any field.
TEST(ServerList, EnterInTheOpenListTakesTheHighlightedName) {
    DeleteSettingsKey();
    ScopedProgId enumerator(L"SQLDMO.Application", FAKE_ENUMERATOR_CLSID);
    ScopedEnvironment names(FAKE_SERVER_NAMES_VAR, L"ALPHA|BETA");
    OstrandSession tool;
    ASSERT_NE(tool.WaitForDialog(), nullptr);
    HWND box = tool.control(IDC_CBB_SERVER);
    PostMessageW(tool.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    ASSERT_TRUE(tool.WaitForFocus(box));
    SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
    HWND list = OpenList(tool);
    ASSERT_NE(list, nullptr);
    SendMessageW(list, LB_SETCURSEL, 1, 0);  // highlighted, as the pointer does
    ASSERT_EQ(tool.Text(IDC_CBB_SERVER), L"");

    tool.PostKey(FindWindowExW(box, nullptr, L"Edit", nullptr), VK_RETURN);
    EXPECT_TRUE(tool.WaitForFocus(tool.control(IDC_BTN_OK)));
    EXPECT_EQ(tool.Text(IDC_CBB_SERVER), L"BETA");
    EXPECT_EQ(SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0), FALSE);
}

}  // namespace
}  // namespace ostrand_ui
