#include "prompt_kinds.h"

#include "gbk_texts.h"

namespace ostrand {

PromptStyle StyleOf(PromptKind kind) {
    switch (kind) {
        case PromptKind::Inquiry:
            return {texts::kCaptionInquiry, PromptIcon::Question, PromptButtons::OkCancel};
        case PromptKind::Warning:
            return {texts::kCaptionWarning, PromptIcon::Exclamation, PromptButtons::Ok};
        case PromptKind::Error:
            return {texts::kCaptionError, PromptIcon::Hand, PromptButtons::Ok};
        case PromptKind::Information:
            break;
    }
    return {texts::kCaptionInformation, PromptIcon::Information, PromptButtons::Ok};
}

}  // namespace ostrand
