// The four setting fields of the dialog, as the settings store sees them.
#pragma once
#include <windows.h>

#include "settings_store.h"

namespace ostrand {

class DialogFields : public SettingsFields {
public:
    explicit DialogFields(HWND dialog) : dialog_(dialog) {}
    std::string field(Setting which) const override;
    void set_field(Setting which, const std::string& text) override;

    static int ControlOf(Setting which);

private:
    HWND dialog_;
};

// The text of a control in the ANSI code page.
std::string ControlText(HWND control);

}  // namespace ostrand
