// The dialog as it appears: frame, caption, layout, fields and tab order.
#include <gtest/gtest.h>

#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "prefix_registry.h"
#include "resource.h"
#include "screen.h"
#include "ui_expect.h"

namespace ostrand_ui {
namespace {

class DialogWindow : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSettingsKey();
        ASSERT_NE(tool_.WaitForDialog(), nullptr);
        tool_.Settle();
    }
    OstrandSession tool_;
};

TEST_F(DialogWindow, FrameCaptionClientAreaAndTaskbarTitle) {
    HWND dialog = tool_.dialog();
    EXPECT_EQ(WindowText(dialog), L"数据库配置");
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 296);
    EXPECT_EQ(client.bottom, 244);

    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the frame is a single border, not resizable";

    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    HWND app = tool_.AppWindow();
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(WindowText(app), L"系统配置");
    EXPECT_TRUE(IsWindowVisible(app));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), app) << "the taskbar button belongs to the application window";
    EXPECT_TRUE(SaveScreenPng(ShotPath(L"dialog.png")));
}

TEST_F(DialogWindow, ControlsSitAtTheirPixelPositionsWithTheirCaptions) {
    HWND dialog = tool_.dialog();
    struct Expected {
        int id;
        Box box;
        const wchar_t* text;
    };
    const Expected frame_controls[] = {
        {IDC_PAGE, {18, 8, 256, 188}, nullptr},
        {IDC_BTN_TEST, {18, 206, 80, 25}, L"测试"},
        {IDC_BTN_OK, {105, 206, 80, 25}, L"保存"},
        {IDC_BTN_CLOSE, {193, 206, 80, 25}, L"关闭"},
    };
    for (const auto& e : frame_controls) {
        EXPECT_EQ(BoxIn(dialog, tool_.control(e.id)), e.box) << "control " << e.id;
        if (e.text) {
            EXPECT_EQ(tool_.Text(e.id), e.text);
        }
    }

    // Inside Panel1, whose single-line border is one pixel wide.
    const Box panel = BoxIn(dialog, tool_.control(IDC_PANEL));
    const POINT inside{panel.left + 1, panel.top + 1};
    const Expected page_controls[] = {
        {IDC_LABEL1, {20, 22, 70, 14}, L"单位名称："},     {IDC_EDT_DEPT, {89, 21, 121, 20}, nullptr},
        {IDC_LABEL2, {20, 54, 70, 14}, L"数据库名："},     {IDC_EDT_DATABASE, {89, 53, 121, 20}, nullptr},
        {IDC_LABEL3, {19, 89, 70, 14}, L"服务器名："},     {IDC_CBB_SERVER, {89, 85, 122, 20}, nullptr},
        {IDC_LABEL4, {20, 121, 70, 14}, L"连接密码："},    {IDC_EDT_PASSWORD, {89, 117, 121, 20}, nullptr},
    };
    for (const auto& e : page_controls) {
        EXPECT_EQ(BoxIn(dialog, tool_.control(e.id), inside), e.box) << "control " << e.id;
        if (e.text) {
            EXPECT_EQ(tool_.Text(e.id), e.text);
        }
    }
    const Box page = BoxIn(dialog, tool_.control(IDC_PAGE));
    EXPECT_TRUE(panel.left > page.left && panel.left + panel.width < page.left + page.width &&
                panel.top > page.top && panel.top + panel.height < page.top + page.height)
        << "Panel1 lies within the page control";

    EXPECT_EQ(SendMessageW(tool_.control(IDC_EDT_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_EQ(SendMessageW(tool_.control(IDC_PAGE), TCM_GETITEMCOUNT, 0, 0), 1);
    for (int id : {IDC_EDT_DEPT, IDC_EDT_DATABASE, IDC_EDT_PASSWORD}) {
        EXPECT_FALSE(GetWindowLongW(tool_.control(id), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) << "flat field " << id;
    }
}

// As a person sees the fields: the two outermost rings of pixels of each, sampled at
// the middle of every side. Flat means each ring is one colour all round (a sunken
// edge is dark above and left, light below and right), the same for all four.
TEST_F(DialogWindow, InputControlsLookFlat) {
    const auto ring = [](HWND control, int inset) {
        RECT r;
        GetWindowRect(control, &r);
        const int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
        return std::vector<COLORREF>{ScreenPixel(mx, r.top + inset), ScreenPixel(mx, r.bottom - 1 - inset),
                                     ScreenPixel(r.left + inset, my), ScreenPixel(r.right - 1 - inset, my)};
    };
    for (int inset : {0, 1}) {
        const COLORREF expected = ring(tool_.control(IDC_EDT_DEPT), inset)[0];
        for (int id : {IDC_EDT_DEPT, IDC_EDT_DATABASE, IDC_CBB_SERVER, IDC_EDT_PASSWORD}) {
            EXPECT_EQ(ring(tool_.control(id), inset), std::vector<COLORREF>(4, expected))
                << "control " << id << ", ring " << inset << " (top, bottom, left, right)";
        }
    }
}

// The page control's tab row as drawn, and Panel1's place below it.
struct PageLook {
    Box panel;
    std::vector<std::uint32_t> tab_row;
};

PageLook LookOfPage(const OstrandSession& tool) {
    RECT page, panel;
    GetWindowRect(tool.control(IDC_PAGE), &page);
    GetWindowRect(tool.control(IDC_PANEL), &panel);
    return {BoxIn(tool.dialog(), tool.control(IDC_PANEL)), ScreenPixels({page.left, page.top, page.right, panel.top})};
}

TEST_F(DialogWindow, PageCaptionAndTabRowDoNotGrowWithTheScreensDpi) {
    const PageLook at_96 = LookOfPage(tool_);
    PostMessageW(tool_.dialog(), WM_CLOSE, 0, 0);
    ASSERT_EQ(tool_.WaitForExit(), 0);
    for (DWORD dpi : {120u, 144u}) {
        SCOPED_TRACE(dpi);
        const ScopedLogPixels screen(dpi);
        OstrandSession tool;
        ASSERT_NE(tool.WaitForDialog(), nullptr);
        tool.Settle();
        EXPECT_TRUE(SaveScreenPng(ShotPath(dpi == 120 ? L"dialog_120dpi.png" : L"dialog_144dpi.png")));
        const PageLook look = LookOfPage(tool);
        EXPECT_EQ(look.panel, at_96.panel) << "the tab row keeps its height";
        EXPECT_TRUE(look.tab_row == at_96.tab_row) << "the tab row looks as at 96 DPI";
    }
}

TEST_F(DialogWindow, TabOrderRunsThroughThePageFromThePassword) {
    HWND dialog = tool_.dialog();
    const std::vector<int> order = {IDC_BTN_OK,       IDC_BTN_CLOSE, IDC_PAGE,       IDC_EDT_PASSWORD,
                                    IDC_EDT_DATABASE, IDC_EDT_DEPT,  IDC_CBB_SERVER, IDC_BTN_OK};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        HWND next = GetNextDlgTabItem(dialog, tool_.control(order[i]), FALSE);
        EXPECT_EQ(next, tool_.control(order[i + 1])) << "after control " << order[i];
    }
    EXPECT_FALSE(GetWindowLongW(tool_.control(IDC_BTN_TEST), GWL_STYLE) & WS_TABSTOP);
}

}  // namespace
}  // namespace ostrand_ui
