#include "server_list.h"

#include "automation.h"
#include "server_names.h"

namespace ostrand {
namespace {

constexpr wchar_t kEnumeratorProgId[] = L"SQLDMO.Application";

class DispatchNameSource : public ServerNameSource {
public:
    explicit DispatchNameSource(IDispatch* names) : names_(names) {}
    long count() override {
        Variant result;
        Call(names_, L"Count", DISPATCH_PROPERTYGET | DISPATCH_METHOD, nullptr, 0, result);
        return ToLong(result);
    }
    std::string item(long index) override {
        VARIANT arg;
        arg.vt = VT_I4;
        arg.lVal = index;
        Variant result;
        Call(names_, L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, &arg, 1, result);
        return ToAnsi(result);
    }

private:
    IDispatch* names_;
};

// Clearing a drop-down box's list also clears its edit text; the list must not take
// the typed server name with it, so the text is put back when the filling ends.
class ComboNameList : public ServerNameList {
public:
    explicit ComboNameList(HWND box) : box_(box) {
        const int length = GetWindowTextLengthA(box_);
        typed_.assign(static_cast<std::size_t>(length) + 1, '\0');
        typed_.resize(static_cast<std::size_t>(GetWindowTextA(box_, typed_.data(), length + 1)));
    }
    ~ComboNameList() override {
        if (cleared_) SetWindowTextA(box_, typed_.c_str());
    }
    void clear() override {
        SendMessageA(box_, CB_RESETCONTENT, 0, 0);
        cleared_ = true;
    }
    void append(const std::string& name) override {
        SendMessageA(box_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }

private:
    HWND box_;
    std::string typed_;
    bool cleared_ = false;
};

}  // namespace

bool FillServerList(HWND server_box) {
    try {
        ComPtr<IDispatch> application = CreateAutomationObject(kEnumeratorProgId);
        Variant list;
        Call(application.get(), L"ListAvailableSQLServers", DISPATCH_METHOD, nullptr, 0, list);
        ComPtr<IDispatch> names = ToDispatch(list);
        DispatchNameSource source(names.get());
        ComboNameList target(server_box);
        FillNames(source, target);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace ostrand
