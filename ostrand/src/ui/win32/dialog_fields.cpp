#include "dialog_fields.h"

#include "resource.h"

namespace ostrand {

int DialogFields::ControlOf(Setting which) {
    switch (which) {
        case Setting::DeptName: return IDC_EDT_DEPT;
        case Setting::DataBase: return IDC_EDT_DATABASE;
        case Setting::Server: return IDC_CBB_SERVER;
        case Setting::PassWord: break;
    }
    return IDC_EDT_PASSWORD;
}

std::string ControlText(HWND control) {
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string DialogFields::field(Setting which) const {
    return ControlText(GetDlgItem(dialog_, ControlOf(which)));
}

void DialogFields::set_field(Setting which, const std::string& text) {
    SetWindowTextA(GetDlgItem(dialog_, ControlOf(which)), text.c_str());
}

}  // namespace ostrand
