// DecodeSetting over arbitrary stored forms (hand-edited registry values, other
// tools' filler tables, odd lengths, bytes outside ASCII), and the round trip the
// other way for the same bytes taken as a setting.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scrambler.h"

namespace {

#define FUZZ_CHECK(cond)      \
    do {                      \
        if (!(cond)) abort(); \
    } while (0)

// Fillers drawn from the input itself, so every filler position gets exercised.
class InputFillers : public ostrand::FillerSource {
public:
    explicit InputFillers(const std::string& from) : from_(from) {}
    std::size_t Draw() override { return from_.empty() ? 0 : static_cast<unsigned char>(from_[at_++ % from_.size()]) * 7919u; }

private:
    const std::string& from_;
    std::size_t at_ = 0;
};

bool is_upper_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // Any stored form decodes to one byte per two digit positions, a lone digit ignored.
    const std::string text = ostrand::DecodeSetting(input);
    FUZZ_CHECK(text.size() == size / 4);
    // Decoding reads only the digit positions: re-encoding what it found with other
    // fillers gives the same text back.
    InputFillers fillers(input);
    FUZZ_CHECK(ostrand::DecodeSetting(ostrand::EncodeSetting(text, fillers)) == text);

    // The input as a setting: 4n+1 printable characters, hex digits at the even
    // positions, and back again unchanged.
    const std::string stored = ostrand::EncodeSetting(input, fillers);
    FUZZ_CHECK(stored.size() == (size == 0 ? 0 : 4 * size + 1));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        FUZZ_CHECK(stored[i] >= 33 && stored[i] <= 126);
        if (i % 2 == 1) FUZZ_CHECK(is_upper_hex(stored[i]));
    }
    FUZZ_CHECK(ostrand::DecodeSetting(stored) == input);
    return 0;
}
