// The UI driver: starts ostrand.exe and works it through its windows.
// Usage: ostrand_ui_driver --ostrand=<exe> --fakes=<dll> --shots=<folder> [gtest flags]
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "driver_options.h"

namespace ostrand_ui {

DriverOptions& Options() {
    static DriverOptions options;
    return options;
}

}  // namespace ostrand_ui

namespace {

std::wstring Widen(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
    return wide;
}

bool TakeOption(const std::string& arg, const char* name, std::wstring* value) {
    const std::string prefix = std::string("--") + name + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    *value = Widen(arg.c_str() + prefix.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    auto& options = ostrand_ui::Options();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!TakeOption(arg, "ostrand", &options.ostrand_exe) && !TakeOption(arg, "fakes", &options.fake_automation) &&
            !TakeOption(arg, "shots", &options.screenshots)) {
            fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (!options.screenshots.empty()) CreateDirectoryW(options.screenshots.c_str(), nullptr);
    return RUN_ALL_TESTS();
}
