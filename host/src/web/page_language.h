// Which language the console speaks to a browser: the one its switch chose (a query or
// the cookie it set), else the first the browser asks for that the console has, else
// Chinese, the office's own.
#pragma once
#include <string>
#include <string_view>

namespace host::web {

inline constexpr const char* kDefaultLanguage = "zh-CN";
inline constexpr const char* kLanguageCookie = "vornix_lang";

// "zh-CN" or "en": `chosen` when it names one of them (any case; "zh" and "zh-*" are
// Chinese, "en-*" English), else the best of `accept_language` (an Accept-Language
// header, q-values honoured, q=0 refused, "*" the default), else the default.
std::string page_language(std::string_view accept_language, std::string_view chosen);

// The catalogue's file for a language page_language gives ("zh-CN.json").
std::string catalogue_file(const std::string& language);

}  // namespace host::web
