// The opened settings key as the load and save steps see it: named text values.
#pragma once
#include <string>

namespace ostrand {

class SettingsValueStore {
public:
    virtual ~SettingsValueStore() = default;
    // The stored text of a value; a missing or empty value is an empty text. False
    // when the value is not a string or cannot be read.
    virtual bool ReadText(const char* name, std::string& text) = 0;
    // Replaces the value with the text as a string; false when it cannot be written.
    virtual bool WriteText(const char* name, const std::string& text) = 0;
};

}  // namespace ostrand
