#include "callers/vcard_reader.h"

#include <string>

#include "callers/text_codec.h"

namespace host::callers {

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool equals_nocase(std::string_view a, std::string_view b) { return upper(a) == upper(b); }

// The physical lines, without their line breaks.
std::vector<std::string_view> physical_lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

struct Property {
    std::string name;     // upper case, group ("item1.") removed
    std::string charset;  // CHARSET= parameter
    bool quoted_printable = false;
    bool base64 = false;  // ENCODING=BASE64 (a photo, a sound)
    std::string value;    // raw bytes, still encoded and escaped
};

// NAME;PARAM=x;PARAM:value, the ':' being the first outside a quoted parameter value.
bool split_property(std::string_view line, Property* p) {
    bool quoted = false;
    size_t colon = std::string_view::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else if (line[i] == ':' && !quoted) { colon = i; break; }
    }
    if (colon == std::string_view::npos || colon == 0) return false;
    p->value.assign(line.substr(colon + 1));
    p->charset.clear();
    p->quoted_printable = p->base64 = false;
    std::string_view head = line.substr(0, colon);
    size_t semi = head.find(';');
    std::string_view name = head.substr(0, semi);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name.remove_prefix(dot + 1);
    p->name = upper(name);
    while (semi != std::string_view::npos) {
        head.remove_prefix(semi + 1);
        semi = head.find(';');
        const std::string_view param = head.substr(0, semi);
        const size_t eq = param.find('=');
        const std::string key = upper(param.substr(0, eq));
        std::string val = eq == std::string_view::npos ? std::string() : upper(param.substr(eq + 1));
        if (!val.empty() && val.front() == '"') val = val.substr(1, val.size() >= 2 ? val.size() - 2 : 0);
        if (key == "CHARSET") p->charset = val;
        else if ((key == "ENCODING" && (val == "QUOTED-PRINTABLE" || val == "QP")) || key == "QUOTED-PRINTABLE")
            p->quoted_printable = true;
        else if ((key == "ENCODING" && (val == "BASE64" || val == "B")) || key == "BASE64") p->base64 = true;
    }
    return true;
}

int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string decode_quoted_printable(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else if (s[i] == '=' && i + 1 == s.size()) {
            // a soft line break left at the very end
        } else {
            out += s[i];
        }
    }
    return out;
}

// Undoes the escapes of a text value (\\n, \\, and the like).
std::string unescaped(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            out += (n == 'n' || n == 'N') ? '\n' : n;
        } else {
            out += value[i];
        }
    }
    return std::string(trim(out));
}

// Splits a structured value at the ';' that are not escaped, and undoes the escapes.
std::vector<std::string> components(std::string_view value) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            parts.back() += (n == 'n' || n == 'N') ? '\n' : n;
        } else if (c == ';') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    for (std::string& p : parts) p = std::string(trim(p));
    return parts;
}

std::string joined(const std::vector<std::string>& parts, std::string_view glue) {
    std::string out;
    for (const std::string& p : parts) {
        if (p.empty()) continue;
        if (!out.empty()) out += glue;
        out += p;
    }
    return out;
}

bool has_non_ascii(const std::vector<std::string>& parts) {
    for (const std::string& p : parts)
        for (char c : p)
            if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// N: family;given;additional;prefix;suffix. Chinese names run family name first.
std::string name_of(const std::vector<std::string>& n) {
    const auto at = [&](size_t i) { return i < n.size() ? n[i] : std::string(); };
    if (has_non_ascii(n)) return at(3) + at(0) + at(2) + at(1) + at(4);
    return joined({at(3), at(1), at(2), at(0), at(4)}, " ");
}

// ADR: post box;extended;street;locality;region;code;country. A Chinese address runs
// from the country down to the door, without blanks.
std::string address_of(const std::vector<std::string>& a) {
    const auto at = [&](size_t i) { return i < a.size() ? a[i] : std::string(); };
    if (has_non_ascii(a)) return at(6) + at(4) + at(3) + at(2) + at(1) + at(0);
    return joined({at(0), at(1), at(2), at(3), joined({at(4), at(5)}, " "), at(6)}, ", ");
}

// A tel: URI's number, without its parameters (";ext=", ";phone-context=").
std::string tel_number(std::string_view value) {
    if (value.size() >= 4 && equals_nocase(value.substr(0, 4), "tel:")) value.remove_prefix(4);
    return std::string(trim(value.substr(0, value.find(';'))));
}

struct Card {
    Contact contact;
    bool open = false;
    bool v21 = false;
    bool has_fn = false, has_adr = false;
    std::string n_name, label;
};

void finish(Card* card, const ContactSink& sink) {
    Contact& c = card->contact;
    if (c.name.empty()) c.name = card->n_name;
    if (c.address.empty()) c.address = card->label;
    if (!c.numbers.empty()) sink(c);
    *card = Card();
}

}  // namespace

bool looks_like_vcard(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    while (!bytes.empty() && (bytes.front() == '\r' || bytes.front() == '\n' || bytes.front() == ' ')) bytes.remove_prefix(1);
    return bytes.size() >= 11 && equals_nocase(bytes.substr(0, 11), "BEGIN:VCARD");
}

void read_vcard_contacts(std::string_view bytes, const ContactSink& sink, std::vector<LineReport>* reports) {
    const std::vector<std::string_view> lines = physical_lines(bytes);
    Card card;
    Property p;
    for (size_t i = 0; i < lines.size();) {
        const int number = static_cast<int>(i) + 1;
        std::string logical(lines[i++]);
        // Folding: a line that starts with a blank goes on the one before. Version 2.1
        // keeps the blank, which stood between two words; later versions drop it.
        while (i < lines.size() && !lines[i].empty() && (lines[i][0] == ' ' || lines[i][0] == '\t'))
            logical.append(lines[i++].substr(card.v21 ? 0 : 1));
        if (trim(logical).empty()) continue;
        if (!split_property(logical, &p)) {
            if (card.open) reports->push_back({number, "no ':' between the property and its value"});
            else reports->push_back({number, "text outside BEGIN:VCARD ... END:VCARD"});
            continue;
        }
        // Quoted-printable soft line breaks: a value ending in '=' goes on next line.
        while (p.quoted_printable && !p.value.empty() && p.value.back() == '=' && i < lines.size()) {
            p.value.pop_back();
            p.value.append(lines[i++]);
        }
        // Version 2.1 writes base64 data on lines of their own, up to a blank line.
        if (p.base64 && card.v21)
            while (i < lines.size() && !trim(lines[i]).empty() && lines[i].find(':') == std::string_view::npos) ++i;
        if (p.name == "BEGIN") {
            if (card.open) {
                reports->push_back({card.contact.line, "card not ended with END:VCARD"});
                finish(&card, sink);
            }
            card.open = true;
            card.contact.line = number;
            continue;
        }
        if (!card.open) {
            reports->push_back({number, "text outside BEGIN:VCARD ... END:VCARD"});
            continue;
        }
        if (p.name == "END") {
            finish(&card, sink);
            continue;
        }
        if (p.name == "VERSION") {
            card.v21 = trim(p.value) == "2.1";
            continue;
        }
        const bool wanted = p.name == "FN" || p.name == "N" || p.name == "ORG" || p.name == "ADR" ||
                            p.name == "LABEL" || p.name == "NOTE" || p.name == "TEL" || p.name == "TITLE" ||
                            p.name == "EMAIL";
        if (!wanted) continue;
        std::string raw = p.quoted_printable ? decode_quoted_printable(p.value) : p.value;
        std::string text;
        if (!p.charset.empty()) {
            if (!charset_to_utf8(raw, p.charset, &text)) {
                reports->push_back({number, "the value is not text of CHARSET=" + p.charset});
                continue;
            }
        } else if (is_valid_utf8(raw)) {
            text = std::move(raw);
        } else if (!gb18030_to_utf8(raw, &text)) {
            reports->push_back({number, "the value is neither UTF-8 nor GB18030 text"});
            continue;
        }
        Contact& c = card.contact;
        if (p.name == "TEL") {
            const std::string tel = tel_number(text);
            if (!tel.empty()) c.numbers.push_back(tel);
        } else if (p.name == "FN") {
            if (!card.has_fn) c.name = unescaped(text);
            card.has_fn = true;
        } else if (p.name == "N") {
            card.n_name = name_of(components(text));
        } else if (p.name == "ORG") {
            if (c.company.empty()) c.company = joined(components(text), " ");
        } else if (p.name == "ADR") {
            if (!card.has_adr) c.address = address_of(components(text));
            card.has_adr = true;
        } else if (p.name == "LABEL") {
            if (card.label.empty()) card.label = unescaped(text);
        } else if (p.name == "NOTE") {
            if (c.note.empty()) c.note = unescaped(text);
        } else {
            std::string value = unescaped(text);
            if (!value.empty()) c.more.emplace_back(p.name, std::move(value));
        }
    }
    if (card.open) {
        reports->push_back({card.contact.line, "card not ended with END:VCARD"});
        finish(&card, sink);
    }
}

}  // namespace host::callers
