// The console's page as the files in host/web hold it (HTML, style, script), built into
// the program at build time: the console reads nothing from the disk to show itself,
// and the Windows program stays one file.
#pragma once
#include <cstddef>
#include <string_view>

namespace host::web {

struct EmbeddedFile {
    const char* name;  // the file's name in host/web
    const unsigned char* bytes;
    size_t size;
    std::string_view text() const { return {reinterpret_cast<const char*>(bytes), size}; }
};

// What the build put in (web_page_files.cpp, made from host/web).
extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;

// The file of that name, or null.
const EmbeddedFile* page_file(std::string_view name);

// The file a request path asks for: "/" is index.html, "/NAME" the file NAME. Templates
// the server fills in itself (the login page) are not served as they are. Null: none.
const EmbeddedFile* served_page_file(std::string_view path);

// The Content-Type of a file, from its name's ending.
const char* page_file_type(std::string_view name);

}  // namespace host::web
