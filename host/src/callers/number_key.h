// One key for a telephone number, whatever form it was written or received in: the
// phonebook's entries, the database's answers, the calling number of a ring and the
// digits dialled out all become the same string of digits when they name the same line.
//
// The rules, in the order they apply (numbering plan of mainland China):
//  1. Only what a number is made of counts: digits (full-width ones too) and a leading
//     '+'. Spaces, dashes, dots, slashes and brackets are dropped. The number ends at an
//     extension (转, 分机, ext, x, '#', ',') or at '*'; one starting with either has none.
//  2. An international prefix ('+' or 00) with country code 86 is dropped, and with it a
//     trunk 0 written after it ("+86 (0)571 ..."). Any other country keeps the 00 form:
//     "+1 212 555 0100" and "001 212 555 0100" both give 0012125550100.
//  3. A carrier's dialling prefix (17951, 12593 and the like) before a complete number
//     (a mobile, a landline with its trunk 0, or an international one) is dropped.
//  4. 86 before a complete number (12 digits or more in all) is the country code too.
//  5. Mobiles are 11 digits starting 13..19; a 0 put before one by an exchange is dropped.
//  6. Service numbers (400 and 800 of 10 digits) and short ones (up to 6 digits: 95588,
//     10086, 110) are taken as they are.
//  7. A landline with its area code keeps the form trunk 0 + area code + local number
//     (010 and 02x with 8 digits, 0xxx with 7 or 8). Written without the trunk 0 (as
//     spreadsheets drop it from a number stored as a number) it gets it back: 10 or 11
//     digits starting 2..9, or 10 digits starting 10.
//  8. A last group of 1 to 5 digits set apart by a dash is an extension when what
//     stands before it is a local number of 7 or 8 digits ("88881234-801",
//     "0571-88881234-801") or a whole landline ("057188881234-801").
//  9. A local landline (7 or 8 digits starting 2..9) gets the office's area code when one
//     is set; without it, the local and the full form stay apart.
// 10. Anything else keeps its digits as they are, so that equal texts still meet.
#pragma once
#include <string>
#include <string_view>

namespace host::callers {

struct NumberPlan {
    std::string area_code;  // the office's own, with its trunk 0 ("0571"); empty: unknown
};

// The office's area code as given on the command line ("0571", "571", "010"): the form
// with the trunk 0, or false when it is no area code (2 or 3 digits after the 0, not 0).
bool parse_area_code(std::string_view text, std::string* area_code);

// The key of `number`; empty when it holds no number at all.
std::string number_key(std::string_view number, const NumberPlan& plan);

// Longest key the compact indexes take (a full international number is at most 17).
constexpr size_t kMaxKeyDigits = 18;

}  // namespace host::callers
