#include "notes/note_file.h"

#include <iterator>

#include "call_log/csv.h"

namespace host {

namespace {
enum NoteColumn { Start, Box, File, Written, By, Mark, Note, Check, Count };

// CRC-32 (the one of zip and PNG), eight bytes at a time from eight tables: a file of
// 100,000 notes is checked whole at every start.
struct CrcTables {
    uint32_t of[8][256];
    CrcTables() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            of[0][n] = c;
        }
        for (uint32_t n = 0; n < 256; ++n)
            for (int t = 1; t < 8; ++t) of[t][n] = (of[t - 1][n] >> 8) ^ of[0][of[t - 1][n] & 0xFFu];
    }
    uint32_t add(uint32_t crc, std::string_view bytes) const {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        size_t n = bytes.size();
        for (; n >= 8; n -= 8, p += 8) {
            const uint32_t lo = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
            crc = of[7][lo & 0xFF] ^ of[6][(lo >> 8) & 0xFF] ^ of[5][(lo >> 16) & 0xFF] ^ of[4][lo >> 24] ^
                  of[3][p[4]] ^ of[2][p[5]] ^ of[1][p[6]] ^ of[0][p[7]];
        }
        for (; n > 0; --n, ++p) crc = of[0][(crc ^ *p) & 0xFFu] ^ (crc >> 8);
        return crc;
    }
};

// The CRC of the fields before the check, each closed by a gap.
std::string check_of(const std::vector<std::string>& fields) {
    static const CrcTables tables;
    static const std::string_view gap(&kKeyGap, 1);
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < Check; ++i) crc = tables.add(tables.add(crc, fields[i]), gap);
    crc = ~crc;
    static const char kHex[] = "0123456789abcdef";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, crc >>= 4) text[static_cast<size_t>(i)] = kHex[crc & 15u];
    return text;
}

// What a record cut off before its end needs so that the next one starts on a fresh
// line: its open quote closed (a quote opens and closes in turn, a doubled one too),
// then the line's end.
std::string fix_for(std::string_view partial) {
    if (partial.empty()) return "";
    size_t quotes = 0;
    for (char c : partial) quotes += c == '"';
    if (quotes % 2) return "\"\r\n";
    return partial.back() == '\r' ? "\n" : "\r\n";
}
}  // namespace

std::string key_text(std::string_view start, std::string_view box, std::string_view file) {
    std::string key;
    key.reserve(start.size() + box.size() + file.size() + 2);
    key.append(start).append(1, kKeyGap).append(box).append(1, kKeyGap).append(file);
    return key;
}

const std::vector<std::string>& note_columns() {
    static const char* const names[] = {"start", "box", "file", "written", "by", "mark", "note", "check"};
    static_assert(std::size(names) == Count, "one name per column");
    static const std::vector<std::string> columns(std::begin(names), std::end(names));
    return columns;
}

std::string note_record(const NoteChange& c) {
    std::vector<std::string> fields{c.call.start, c.call.box, c.call.file, c.written, c.by, mark_code(c.mark), c.note};
    fields.push_back(check_of(fields));
    return csv_record(fields);
}

NotesRead read_notes(std::string_view text, bool from_start, const std::function<void(NoteChange&&)>& take,
                     bool at_end) {
    NotesRead read;
    std::vector<std::string> f;
    size_t pos = 0;
    for (size_t from = 0; csv_next_record(text, &pos, false, &f); from = pos) {
        NoteChange c;
        if (from_start && from == 0 && f == note_columns()) continue;
        if (f.size() != Count || f[Check] != check_of(f) || !mark_of(f[Mark], &c.mark)) {
            ++read.damaged;
            continue;
        }
        c.call = {std::move(f[Start]), std::move(f[Box]), std::move(f[File])};
        c.written = std::move(f[Written]);
        c.by = std::move(f[By]);
        c.note = std::move(f[Note]);
        ++read.changes;
        take(std::move(c));
    }
    read.whole_to = pos;
    if (!at_end) return read;
    read.damaged += pos < text.size();
    read.fix = from_start && text.empty() ? csv_record(note_columns()) : fix_for(text.substr(pos));
    return read;
}

}  // namespace host
