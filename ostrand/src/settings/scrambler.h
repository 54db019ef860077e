// The reversible scrambling every setting goes through on its way to and from the
// registry: the hex digits of the setting's bytes, reversed, each behind a filler.
#pragma once
#include <string>

#include "filler_source.h"

namespace ostrand {

// Stored form of a setting (bytes in the ANSI code page): 4n+1 printable characters
// for n bytes, empty for an empty setting. Never fails.
std::string EncodeSetting(const std::string& text);
std::string EncodeSetting(const std::string& text, FillerSource& fillers);

// The setting a stored form holds. Never fails: filler positions are skipped whatever
// they hold, a lone trailing digit is ignored and anything but '1'..'9', 'A'..'F'
// counts as 0.
std::string DecodeSetting(const std::string& stored);

}  // namespace ostrand
