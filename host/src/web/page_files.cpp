#include "web/page_files.h"

namespace host::web {

namespace {
constexpr std::string_view kLoginTemplate = "login.html";

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}
}  // namespace

const EmbeddedFile* page_file(std::string_view name) {
    for (size_t i = 0; i < kEmbeddedFileCount; ++i)
        if (name == kEmbeddedFiles[i].name) return &kEmbeddedFiles[i];
    return nullptr;
}

const EmbeddedFile* served_page_file(std::string_view path) {
    if (path == "/") return page_file("index.html");
    if (path.size() < 2 || path[0] != '/' || path.substr(1) == kLoginTemplate) return nullptr;
    return page_file(path.substr(1));
}

const char* page_file_type(std::string_view name) {
    if (ends_with(name, ".html")) return "text/html; charset=utf-8";
    if (ends_with(name, ".js")) return "text/javascript; charset=utf-8";
    if (ends_with(name, ".css")) return "text/css; charset=utf-8";
    if (ends_with(name, ".json")) return "application/json";
    return "application/octet-stream";
}

}  // namespace host::web
