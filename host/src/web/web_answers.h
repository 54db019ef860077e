// What every request of the console answers with, shared by the routes' files.
#pragma once
#include <string>
#include <string_view>

#include "web/web_routes.h"

namespace host::web {

constexpr const char* kJson = "application/json";
constexpr const char* kSessionCookie = "vornix_session";

// A refusal the page words by its code.
inline WebResponse refusal(int status, const std::string& code) {
    WebResponse r;
    r.status = status;
    r.type = kJson;
    r.body = "{\"error\":\"" + code + "\"}";
    return r;
}

inline WebResponse text(int status, std::string body, const char* type = "text/plain; charset=utf-8") {
    WebResponse r;
    r.status = status;
    r.type = type;
    r.body = std::move(body);
    return r;
}

inline WebResponse not_found() { return text(404, "not found\n"); }

inline WebResponse redirect(const std::string& to) {
    WebResponse r = text(303, "");
    r.headers.emplace_back("Location", to);
    return r;
}

// A file name the call log may name as a recording: in the folder itself, a WAV.
bool plain_recording_name(std::string_view name);

// /rec/<id>.wav or /rec/<id>/peaks; id 0 when the path is neither.
size_t recording_id(std::string_view path, bool* peaks);

}  // namespace host::web
