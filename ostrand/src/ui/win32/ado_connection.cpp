#include "ado_connection.h"

#include "automation.h"

namespace ostrand {
namespace {

constexpr wchar_t kConnectionProgId[] = L"ADODB.Connection";
constexpr long kAdStateOpen = 1;  // ObjectStateEnum bit of an open connection

}  // namespace

AdoConnection::~AdoConnection() {
    try {
        CloseIfOpen();
    } catch (...) {
        // The program is ending; the provider cleans up with the object.
    }
}

void AdoConnection::CloseIfOpen() {
    if (!connection_) return;
    Variant state;
    Call(connection_.get(), L"State", DISPATCH_PROPERTYGET, nullptr, 0, state);
    if ((ToLong(state) & kAdStateOpen) == 0) return;
    Variant ignored;
    Call(connection_.get(), L"Close", DISPATCH_METHOD, nullptr, 0, ignored);
}

bool AdoConnection::Reopen(const std::string& connection_string) {
    try {
        if (!connection_) connection_ = CreateAutomationObject(kConnectionProgId);
        CloseIfOpen();
        Bstr text(AnsiToWide(connection_string).c_str());
        VARIANT value;
        value.vt = VT_BSTR;
        value.bstrVal = text.get();
        PutProperty(connection_.get(), L"ConnectionString", value);
        Variant ignored;
        Call(connection_.get(), L"Open", DISPATCH_METHOD, nullptr, 0, ignored);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace ostrand
