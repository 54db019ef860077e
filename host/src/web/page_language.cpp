#include "web/page_language.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace host::web {

namespace {
std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return "";
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The console's language for one language tag; empty when it has none for it. Every
// Chinese script and region reads the Simplified catalogue: closer to Traditional than
// English is.
std::string known(std::string_view tag) {
    const std::string t = lower(tag);
    const std::string primary = t.substr(0, t.find('-'));
    if (primary == "zh") return kDefaultLanguage;
    if (primary == "en") return "en";
    if (t == "*") return kDefaultLanguage;
    return "";
}

// A q-value in thousandths, 1000 when absent, -1 when unreadable.
int quality(std::string_view params) {
    int q = 1000;
    size_t at = 0;
    while (at < params.size()) {
        const size_t end = std::min(params.find(';', at), params.size());
        const std::string p = lower(trimmed(params.substr(at, end - at)));
        at = end + 1;
        if (p.rfind("q=", 0) != 0) continue;
        const std::string v = p.substr(2);
        if (v.empty() || v.size() > 5 || (v[0] != '0' && v[0] != '1')) return -1;
        if (v.size() > 1 && (v[1] != '.' || v.find_first_not_of("0123456789", 2) != std::string::npos)) return -1;
        std::string digits = v.size() > 2 ? v.substr(2) : "";
        digits.resize(3, '0');
        q = (v[0] - '0') * 1000 + std::stoi(digits);
        if (q > 1000) return -1;
    }
    return q;
}
}  // namespace

std::string page_language(std::string_view accept_language, std::string_view chosen) {
    if (!chosen.empty() && chosen.size() < 36) {
        const std::string c = known(chosen);
        if (!c.empty() && chosen != "*") return c;
    }
    // The best q wins; of equal ones, the first written.
    std::string best;
    int best_q = 0;
    size_t at = 0;
    for (int n = 0; at < accept_language.size() && n < 64; ++n) {
        const size_t end = std::min(accept_language.find(',', at), accept_language.size());
        const std::string_view item = accept_language.substr(at, end - at);
        at = end + 1;
        const size_t semi = std::min(item.find(';'), item.size());
        const std::string language = known(trimmed(item.substr(0, semi)));
        const int q = quality(item.substr(semi));
        if (!language.empty() && q > best_q) {
            best = language;
            best_q = q;
        }
    }
    return best.empty() ? kDefaultLanguage : best;
}

std::string catalogue_file(const std::string& language) { return language + ".json"; }

}  // namespace host::web
