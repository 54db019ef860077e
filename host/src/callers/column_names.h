// Which field a column holds, told by its heading as Excel, WPS, phone and mail exports
// and office databases name them, in Chinese or English.
#pragma once
#include <string_view>

namespace host::callers {

enum class Column { Name, GivenName, FamilyName, Phone, Company, Address, Note, Other };

// The heading's column: "姓名", "名称", "Name" are the name; "电话", "手机", "联系电话",
// "Mobile Phone", "Tel" a phone; "单位", "公司名称", "Company" the company; "地址",
// "Address" the address; "备注", "Note" the note; "姓"/"名", "Last Name"/"First Name"
// the two halves of a name. Case, spaces and a trailing colon do not matter.
Column column_of(std::string_view heading);

}  // namespace host::callers
