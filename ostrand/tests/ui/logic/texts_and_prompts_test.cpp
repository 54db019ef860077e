#include "gbk_texts.h"
#include "prompt_kinds.h"
#include "text_trim.h"
#include "tray_tip.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace ostrand {
namespace {

TEST(TrimBlanks, RemovesBlanksAndControlCharactersAtBothEndsOnly) {
    EXPECT_EQ(TrimBlanks("  \t db name\r\n\x01"), "db name");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_TRUE(IsBlank(" \t\x1f "));
    EXPECT_FALSE(IsBlank(" \xca\xfd "));  // a GBK character is not blank
}

struct KindCase {
    PromptKind kind;
    const char* caption;
    PromptIcon icon;
    PromptButtons buttons;
};

TEST(PromptKinds, EachKindHasItsCaptionIconAndButtons) {
    const KindCase cases[] = {
        {PromptKind::Information, texts::kCaptionInformation, PromptIcon::Information, PromptButtons::Ok},
        {PromptKind::Inquiry, texts::kCaptionInquiry, PromptIcon::Question, PromptButtons::OkCancel},
        {PromptKind::Warning, texts::kCaptionWarning, PromptIcon::Exclamation, PromptButtons::Ok},
        {PromptKind::Error, texts::kCaptionError, PromptIcon::Hand, PromptButtons::Ok},
    };
    for (const auto& c : cases) {
        const PromptStyle style = StyleOf(c.kind);
        EXPECT_STREQ(style.caption, c.caption);
        EXPECT_EQ(style.icon, c.icon);
        EXPECT_EQ(style.buttons, c.buttons);
    }
}

TEST(TrayTip, CutNeverSplitsADoubleByteCharacter) {
    const std::string two_chars = "\xcf\xb5\xcd\xb3";  // two GBK characters
    EXPECT_EQ(CutGbk("a" + two_chars, 4), "a\xcf\xb5");
    EXPECT_EQ(CutGbk("a" + two_chars, 5), "a" + two_chars);
    EXPECT_EQ(CutGbk(std::string(70, 'x'), kTrayTipMaxBytes).size(), kTrayTipMaxBytes);
    EXPECT_LE(TrayTip().size(), kTrayTipMaxBytes);
    EXPECT_EQ(TrayTip(), std::string(texts::kProductTitle) + texts::kTipSuffix);
}

#ifndef _WIN32
std::string GbkToUtf8(const std::string& gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    std::string in = gbk;
    std::string out(in.size() * 2 + 4, '\0');
    char* inp = in.data();
    char* outp = out.data();
    std::size_t inleft = in.size(), outleft = out.size();
    const std::size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return "<invalid GBK>";
    out.resize(out.size() - outleft);
    return out;
}

TEST(GbkTexts, DecodeToTheToolsChineseTexts) {
    EXPECT_EQ(GbkToUtf8(texts::kPageCaption), "连接配置");
    EXPECT_EQ(GbkToUtf8(texts::kApplicationTitle), "系统配置");
    EXPECT_EQ(GbkToUtf8(texts::kCaptionInquiry), "询问信息");
    EXPECT_EQ(GbkToUtf8(texts::kLoadFailed), "读系统文件出错，请检查系统注册表！");
    EXPECT_EQ(GbkToUtf8(texts::kEnterDataBaseName), "请输入数据库名称！");
    EXPECT_EQ(GbkToUtf8(texts::kEnterServerName), "请输入服务器名称！");
    EXPECT_EQ(GbkToUtf8(texts::kSaved), "保存完毕！");
    EXPECT_EQ(GbkToUtf8(texts::kConnected), "数据连接成功。。。");
    EXPECT_EQ(GbkToUtf8(texts::kConnectFailed), "数据连接失败,请检查数据库配置。。。！");
    EXPECT_EQ(GbkToUtf8(texts::kTipSuffix), " - 系统设置");
    EXPECT_EQ(GbkToUtf8(texts::kFontSimSun), "宋体");
}
#endif

}  // namespace
}  // namespace ostrand
