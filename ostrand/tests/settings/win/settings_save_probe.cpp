// Saves a known set of settings through the store, for the check that reads the
// stored values back with the registry tool. The stale key is removed first.
#include <cstdio>

#include "registry_test_support.h"
#include "settings_fakes.h"
#include "settings_store.h"

int main() {
    ostrand::DeleteSettingsKey();
    // 水站 (water station) in GBK, then plain ASCII texts.
    const ostrand::FakeFields fields("\xCB\xAE\xD5\xBE", "abc", "srv01", "pa;ss");
    try {
        ostrand::SaveSettings(fields);
    } catch (const ostrand::SettingsWriteError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
