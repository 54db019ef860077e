// Late-bound calls through IDispatch, for the automation components the tool uses
// without their type libraries.
#pragma once
#include "com_ptr.h"

#include <stdexcept>
#include <string>

namespace ostrand {

// A failed COM call; never shown to the user.
class ComFailure : public std::runtime_error {
public:
    ComFailure(const char* what, HRESULT hr) : std::runtime_error(what), hr_(hr) {}
    HRESULT code() const { return hr_; }

private:
    HRESULT hr_;
};

ComPtr<IDispatch> CreateAutomationObject(const wchar_t* prog_id);

// Calls a method or reads a property; the arguments are given in their natural order.
void Call(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT arg_count,
          Variant& result);
void PutProperty(IDispatch* object, const wchar_t* name, VARIANT& value);

ComPtr<IDispatch> ToDispatch(Variant& value);
long ToLong(const Variant& value);
// Text in the ANSI code page.
std::string ToAnsi(const Variant& value);
std::wstring AnsiToWide(const std::string& text);

}  // namespace ostrand
