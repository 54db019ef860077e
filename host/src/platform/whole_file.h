// A small file read whole into memory (a phonebook, a connection file), by the path as
// the system names files.
#pragma once
#include <cstddef>
#include <string>

namespace host::platform {

enum class WholeFile { Read, CannotOpen, ReadError, TooLarge };

// `*bytes` gets the file's contents; a file of more than `most` bytes is not read on
// (TooLarge). `*why` says what the system said when it could not be opened or read.
WholeFile read_whole_file(const std::string& path, std::string* bytes, std::string* why,
                          size_t most = static_cast<size_t>(-1));

}  // namespace host::platform
