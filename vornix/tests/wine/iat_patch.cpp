#include "iat_patch.h"

#include <cstring>

namespace vornix::winehost {

namespace {

template <class T>
T* at_rva(HMODULE module, DWORD rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

// The two image formats differ in the width of their import thunks: 32 bits in PE32
// (i686), 64 in PE32+ (x86_64).
struct Pe32 {
    using Headers = IMAGE_NT_HEADERS32;
    using Thunk = IMAGE_THUNK_DATA32;
    static bool by_ordinal(const Thunk& t) { return IMAGE_SNAP_BY_ORDINAL32(t.u1.Ordinal); }
};
struct Pe32Plus {
    using Headers = IMAGE_NT_HEADERS64;
    using Thunk = IMAGE_THUNK_DATA64;
    static bool by_ordinal(const Thunk& t) { return IMAGE_SNAP_BY_ORDINAL64(t.u1.Ordinal); }
};

template <class Thunk>
void write_entry(Thunk* entry, const void* replacement) {
    DWORD old = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old);
    entry->u1.Function = static_cast<decltype(entry->u1.Function)>(reinterpret_cast<uintptr_t>(replacement));
    VirtualProtect(entry, sizeof *entry, old, &old);
}

template <class Format>
void redirect(HMODULE module, const IMAGE_DOS_HEADER* dos, const std::vector<ImportRedirect>& redirects,
              std::vector<bool>* done) {
    using Thunk = typename Format::Thunk;
    const auto* nt = at_rva<const typename Format::Headers>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return;
    for (auto* d = at_rva<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); d->Name != 0; ++d) {
        // Names come from the lookup table; the address table holds the bound addresses.
        if (d->OriginalFirstThunk == 0) continue;
        const char* dll = at_rva<const char>(module, d->Name);
        auto* names = at_rva<Thunk>(module, d->OriginalFirstThunk);
        auto* addresses = at_rva<Thunk>(module, d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (Format::by_ordinal(*names)) continue;
            const auto* by_name =
                at_rva<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            const char* function = reinterpret_cast<const char*>(by_name->Name);
            for (size_t i = 0; i < redirects.size(); ++i) {
                if (_stricmp(dll, redirects[i].dll) != 0 || std::strcmp(function, redirects[i].function) != 0)
                    continue;
                write_entry(addresses, redirects[i].replacement);
                (*done)[i] = true;
            }
        }
    }
}

}  // namespace

std::vector<std::string> redirect_imports(HMODULE module, const std::vector<ImportRedirect>& redirects) {
    std::vector<bool> done(redirects.size(), false);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    // The optional header's magic tells the format; it sits at the same place in both.
    const auto* nt = at_rva<const IMAGE_NT_HEADERS32>(module, static_cast<DWORD>(dos->e_lfanew));
    if (nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        redirect<Pe32Plus>(module, dos, redirects, &done);
    else
        redirect<Pe32>(module, dos, redirects, &done);
    std::vector<std::string> missing;
    for (size_t i = 0; i < redirects.size(); ++i)
        if (!done[i]) missing.push_back(std::string(redirects[i].dll) + "!" + redirects[i].function);
    return missing;
}

}  // namespace vornix::winehost
