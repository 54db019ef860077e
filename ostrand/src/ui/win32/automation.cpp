#include "automation.h"

#include <algorithm>
#include <vector>

namespace ostrand {
namespace {

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw ComFailure(what, hr);
}

DISPID DispIdOf(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    return id;
}

}  // namespace

ComPtr<IDispatch> CreateAutomationObject(const wchar_t* prog_id) {
    CLSID clsid;
    Check(CLSIDFromProgID(prog_id, &clsid), "CLSIDFromProgID");
    ComPtr<IDispatch> object;
    Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                           IID_IDispatch, reinterpret_cast<void**>(object.out())),
          "CoCreateInstance");
    return object;
}

void Call(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT arg_count,
          Variant& result) {
    if (!object) throw ComFailure("no object", E_POINTER);
    const DISPID id = DispIdOf(object, name);
    // IDispatch takes its arguments last to first.
    std::vector<VARIANT> last_first(args, args + arg_count);
    std::reverse(last_first.begin(), last_first.end());
    DISPPARAMS params{last_first.empty() ? nullptr : last_first.data(), nullptr, arg_count, 0};
    Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.out(),
                         nullptr, nullptr),
          "Invoke");
}

void PutProperty(IDispatch* object, const wchar_t* name, VARIANT& value) {
    if (!object) throw ComFailure("no object", E_POINTER);
    const DISPID id = DispIdOf(object, name);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                         nullptr, nullptr, nullptr),
          "Invoke put");
}

ComPtr<IDispatch> ToDispatch(Variant& value) {
    Variant converted;
    Check(VariantChangeType(converted.get(), value.get(), 0, VT_DISPATCH), "to IDispatch");
    IDispatch* object = converted.get()->pdispVal;
    if (!object) throw ComFailure("empty object", E_POINTER);
    object->AddRef();
    return ComPtr<IDispatch>::adopt(object);
}

long ToLong(const Variant& value) {
    Variant converted;
    Check(VariantChangeType(converted.get(), const_cast<VARIANT*>(value.get()), 0, VT_I4),
          "to long");
    return converted.get()->lVal;
}

std::string ToAnsi(const Variant& value) {
    Variant converted;
    Check(VariantChangeType(converted.get(), const_cast<VARIANT*>(value.get()), 0, VT_BSTR),
          "to text");
    const BSTR wide = converted.get()->bstrVal;
    const int wide_length = static_cast<int>(SysStringLen(wide));
    if (wide_length == 0) return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, wide_length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) throw ComFailure("to ANSI", E_FAIL);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, wide_length, text.data(), bytes, nullptr, nullptr);
    return text;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), chars);
    return wide;
}

}  // namespace ostrand
