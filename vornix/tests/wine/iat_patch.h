// Redirecting the imports of a loaded module: its import address table is rewritten
// in place, so the module's own calls land in replacements of our choosing while the
// module itself stays as shipped.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vornix::winehost {

struct ImportRedirect {
    const char* dll;       // as named in the import table, compared without case
    const char* function;  // imported by this name
    const void* replacement;
};

// Points every import of `module` named in `redirects` at its replacement. Returns
// the redirects the module does not import (by name) at all.
std::vector<std::string> redirect_imports(HMODULE module, const std::vector<ImportRedirect>& redirects);

}  // namespace vornix::winehost
