// The four kinds of user message and how each is presented.
#pragma once

namespace ostrand {

enum class PromptKind { Information = 0, Inquiry = 1, Warning = 2, Error = 3 };

enum class PromptIcon { Information, Question, Exclamation, Hand };
enum class PromptButtons { Ok, OkCancel };

struct PromptStyle {
    const char* caption;  // GBK
    PromptIcon icon;
    PromptButtons buttons;
};

PromptStyle StyleOf(PromptKind kind);

}  // namespace ostrand
