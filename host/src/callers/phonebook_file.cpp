#include "callers/phonebook_file.h"

#include <cstring>

#include "callers/csv_phonebook.h"
#include "callers/text_codec.h"
#include "callers/vcard_reader.h"
#include "platform/whole_file.h"

namespace host::callers {

namespace {

bool ends_with_nocase(const std::string& s, const char* end) {
    const size_t n = std::strlen(end);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = s[s.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != end[i]) return false;
    }
    return true;
}

}  // namespace

PhonebookFileResult read_phonebook_bytes(const std::string& name, std::string_view bytes, const NumberPlan& plan) {
    PhonebookFileResult result;
    auto table = std::make_shared<ContactTable>(system_to_utf8(name));
    const ContactSink add = [&](const Contact& c) { table->add(c, plan); };
    const bool vcard_name = ends_with_nocase(name, ".vcf") || ends_with_nocase(name, ".vcard");
    if (vcard_name || looks_like_vcard(bytes)) {
        std::string utf8;
        if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
            utf8 = decode_text(bytes).text;
            bytes = utf8;
        } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            bytes.remove_prefix(3);
        }
        read_vcard_contacts(bytes, add, &result.reports);
    } else {
        const DecodedText decoded = decode_text(bytes);
        read_csv_contacts(decoded.text, decoded.bad_lines, add, &result.reports);
    }
    table->shrink();
    result.table = std::move(table);
    return result;
}

PhonebookFileResult read_phonebook_file(const std::string& path, const NumberPlan& plan) {
    std::string bytes, why;
    if (platform::read_whole_file(path, &bytes, &why) != platform::WholeFile::Read) {
        PhonebookFileResult result;
        result.reports.push_back({0, "cannot be read: " + why});
        return result;
    }
    return read_phonebook_bytes(path, bytes, plan);
}

}  // namespace host::callers
