#include "callers/column_names.h"

#include <initializer_list>
#include <string>

namespace host::callers {

namespace {

// Lower case, without the byte-order mark, spaces (full-width too), '_', '-', '.', '*',
// and a trailing colon.
std::string plain(std::string_view heading) {
    if (heading.substr(0, 3) == "\xEF\xBB\xBF") heading.remove_prefix(3);
    std::string out;
    for (size_t i = 0; i < heading.size(); ++i) {
        const char c = heading[i];
        if (heading.substr(i, 3) == "\xE3\x80\x80") { i += 2; continue; }  // U+3000
        if (c == ' ' || c == '\t' || c == '_' || c == '-' || c == '.' || c == '*') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    while (!out.empty() && out.back() == ':') out.pop_back();
    if (out.size() >= 3 && out.compare(out.size() - 3, 3, "\xEF\xBC\x9A") == 0) out.resize(out.size() - 3);  // ：
    return out;
}

bool has_any(const std::string& s, std::initializer_list<const char*> parts) {
    for (const char* p : parts)
        if (s.find(p) != std::string::npos) return true;
    return false;
}
bool is_any(const std::string& s, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (s == w) return true;
    return false;
}

}  // namespace

Column column_of(std::string_view heading) {
    const std::string h = plain(heading);
    if (h.empty()) return Column::Other;
    // A phone's type or label column ("Phone 1 - Type") holds words, not numbers.
    const bool label = has_any(h, {"type", "label", "类型", "类别"});
    if (!label && !has_any(h, {"qq", "微信", "身份证", "证件", "卡号", "账号", "帐号", "邮编", "编号"}) &&
        (has_any(h, {"电话", "手机", "座机", "传真", "号码", "phone", "mobile", "cell", "fax"}) ||
         h.compare(0, 3, "tel") == 0))
        return Column::Phone;
    if (has_any(h, {"地址", "住址", "address", "street"}) && !has_any(h, {"邮箱", "邮件", "email", "web", "网址", "ipaddress"}))
        return Column::Address;
    if (has_any(h, {"单位", "公司", "企业", "机构", "company", "organi"}) || is_any(h, {"org", "employer"}))
        return Column::Company;
    if (has_any(h, {"备注", "说明", "附注", "remark", "comment", "memo"}) || is_any(h, {"note", "notes"}))
        return Column::Note;
    if (has_any(h, {"姓名", "名称", "名字"}) ||
        is_any(h, {"联系人", "客户", "户名", "称呼", "name", "fullname", "displayname", "contact", "contactname",
                   "customer", "customername"}))
        return Column::Name;
    if (is_any(h, {"姓", "lastname", "familyname", "surname"})) return Column::FamilyName;
    if (is_any(h, {"名", "firstname", "givenname"})) return Column::GivenName;
    return Column::Other;
}

}  // namespace host::callers
