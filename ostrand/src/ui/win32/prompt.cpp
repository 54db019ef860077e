#include "prompt.h"

#include <windows.h>

namespace ostrand {
namespace {

UINT IconFlag(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Question: return MB_ICONQUESTION;
        case PromptIcon::Exclamation: return MB_ICONEXCLAMATION;
        case PromptIcon::Hand: return MB_ICONHAND;
        case PromptIcon::Information: break;
    }
    return MB_ICONINFORMATION;
}

UINT ButtonFlag(PromptButtons buttons) {
    return buttons == PromptButtons::OkCancel ? MB_OKCANCEL : MB_OK;
}

}  // namespace

int ShowPrompt(const char* text, PromptKind kind) {
    const PromptStyle style = StyleOf(kind);
    return MessageBoxA(GetActiveWindow(), text, style.caption,
                       IconFlag(style.icon) | ButtonFlag(style.buttons));
}

}  // namespace ostrand
