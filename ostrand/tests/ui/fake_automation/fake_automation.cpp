// Stand-in automation objects for the UI tests, served in-process.
#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "fake_classes.h"

namespace {

LONG g_objects = 0;

std::wstring EnvironmentText(const wchar_t* name) {
    wchar_t buffer[4096];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
    return (n > 0 && n < 4096) ? std::wstring(buffer, n) : std::wstring();
}

// A dispatch object with a fixed table of member names; members are numbered from 1
// in table order.
class DispatchBase : public IDispatch {
public:
    DispatchBase(const wchar_t* const* names, int count) : names_(names), count_(count) {
        InterlockedIncrement(&g_objects);
    }
    virtual ~DispatchBase() { InterlockedDecrement(&g_objects); }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (int m = 0; m < count_; ++m) {
                if (_wcsicmp(names[i], names_[m]) == 0) ids[i] = m + 1;
            }
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override {
        return Member(id, flags, params, result);
    }

protected:
    virtual HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;

private:
    LONG refs_ = 1;
    const wchar_t* const* names_;
    int count_;
};

HRESULT ReturnText(VARIANT* result, const std::wstring& text) {
    if (!result) return S_OK;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

const wchar_t* const kNameListMembers[] = {L"Count", L"Item"};

class NameList : public DispatchBase {
public:
    explicit NameList(std::vector<std::wstring> names)
        : DispatchBase(kNameListMembers, 2), names_(std::move(names)) {}

protected:
    HRESULT Member(DISPID id, WORD, DISPPARAMS* params, VARIANT* result) override {
        if (id == 1) {
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(names_.size());
            }
            return S_OK;
        }
        if (id == 2) {
            if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            VARIANT index;
            VariantInit(&index);
            if (FAILED(VariantChangeType(&index, &params->rgvarg[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
            if (index.lVal < 0 || index.lVal >= static_cast<LONG>(names_.size())) return DISP_E_BADINDEX;
            return ReturnText(result, names_[static_cast<std::size_t>(index.lVal)]);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::vector<std::wstring> names_;
};

const wchar_t* const kEnumeratorMembers[] = {L"ListAvailableSQLServers"};

class Enumerator : public DispatchBase {
public:
    Enumerator() : DispatchBase(kEnumeratorMembers, 1) {}

protected:
    HRESULT Member(DISPID id, WORD, DISPPARAMS*, VARIANT* result) override {
        if (id != 1) return DISP_E_MEMBERNOTFOUND;
        std::vector<std::wstring> names;
        const std::wstring all = EnvironmentText(FAKE_SERVER_NAMES_VAR);
        std::size_t start = 0;
        while (!all.empty()) {
            const std::size_t bar = all.find(L'|', start);
            names.push_back(all.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
            if (bar == std::wstring::npos) break;
            start = bar + 1;
        }
        if (!result) return S_OK;
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = new (std::nothrow) NameList(std::move(names));
        return result->pdispVal ? S_OK : E_OUTOFMEMORY;
    }
};

const wchar_t* const kConnectionMembers[] = {L"State", L"ConnectionString", L"Open", L"Close"};

class Connection : public DispatchBase {
public:
    Connection() : DispatchBase(kConnectionMembers, 4) {}

protected:
    HRESULT Member(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override {
        switch (id) {
            case 1:
                if (result) {
                    VariantInit(result);
                    result->vt = VT_I4;
                    result->lVal = open_ ? 1 : 0;
                }
                return S_OK;
            case 2:
                if (flags & DISPATCH_PROPERTYPUT) {
                    if (!params || params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR)
                        return DISP_E_TYPEMISMATCH;
                    if (open_) return E_FAIL;  // ADO refuses while open
                    text_ = params->rgvarg[0].bstrVal ? params->rgvarg[0].bstrVal : L"";
                    return S_OK;
                }
                return ReturnText(result, text_);
            case 3: {
                if (open_) return E_FAIL;
                const std::wstring unreachable = EnvironmentText(FAKE_UNREACHABLE_SERVER_VAR);
                if (!unreachable.empty() && text_.find(L"Data Source = " + unreachable) != std::wstring::npos) {
                    Log(L"refused " + text_);
                    return E_FAIL;
                }
                Log(L"open " + text_);
                open_ = true;
                return S_OK;
            }
            case 4:
                if (!open_) return E_FAIL;  // closing a closed connection is an error
                Log(L"close");
                open_ = false;
                return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    static void Log(const std::wstring& line) {
        const std::wstring path = EnvironmentText(FAKE_CONNECTION_LOG_VAR);
        if (path.empty()) return;
        const std::wstring with_end = line + L"\n";
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, with_end.data(), static_cast<int>(with_end.size()),
                                              nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, with_end.data(), static_cast<int>(with_end.size()), utf8.data(),
                            bytes, nullptr, nullptr);
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring text_;
    bool open_ = false;
};

template <class T>
class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        T* object = new (std::nothrow) T();
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory<Enumerator> g_enumerator_factory;
Factory<Connection> g_connection_factory;

}  // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (clsid == kFakeEnumeratorClsid) return g_enumerator_factory.QueryInterface(riid, out);
    if (clsid == kFakeConnectionClsid) return g_connection_factory.QueryInterface(riid, out);
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }
