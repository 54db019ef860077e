// The business database as the recorder asks it for callers (--customers-odbc FILE):
// a small text file the office keeps beside its other settings, UTF-8 or GBK.
//
//   # lines starting with # are comments; a line starting with a blank goes on the
//   # one before (for a long query)
//   connection = Driver={SQL Server};Server=OFFICE\SQLEXPRESS;Database=水站;UID=sa;PWD=...
//   query = SELECT 名称 AS name, 地址 AS address, 备注 AS note FROM 客户 WHERE 电话 = ?
//   timeout = 5          (seconds a query may take; 5 when not given)
//   number = key local   (what is bound to the ?: the number key, then for a number
//                         of the office's own area the local number alone; "key" when
//                         not given)
//
// "connection = settings" builds the connection from what the settings tool saved for
// the user the recorder runs as (Windows). The query's one '?' is always a bound
// parameter: the number is never written into the query's text. Its columns are told
// by their names as the phonebook's headings are (name, company, address, note, and
// the Chinese ones); others are shown as they are, the first of them as the name when
// no column is called so.
#pragma once
#include <string>
#include <string_view>

namespace host::callers {

struct CustomerDbConfig {
    std::string connection;      // UTF-8 ODBC connection string
    bool from_settings = false;  // "connection = settings"
    std::string query;           // UTF-8, one '?'
    int timeout_s = 5;
    bool local_form = false;     // also ask for the local number alone
};

// False with a message (naming the line) when the text is no such file.
bool parse_customer_db_config(std::string_view text, CustomerDbConfig* config, std::string* error);
// `path` as the system names files.
bool read_customer_db_config(const std::string& path, CustomerDbConfig* config, std::string* error);

// The '?' of the query outside quoted literals and names ('...', "...", [...]).
int parameter_count(std::string_view query);

// `text` with the value of every PWD= and Password= attribute (braced ones too) put
// as "***": whatever names the connection string goes out through this.
std::string mask_secrets(std::string_view text);

}  // namespace host::callers
