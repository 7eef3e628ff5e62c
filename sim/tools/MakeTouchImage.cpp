// Writes a touch firmware image for the simulated bench:
//   quillon-sim-image [family] <file> <product id> <version in hex> [seed]
// The families are those of the simulated rows that make images; the first is the default
// (GT9xxx). The product id is a number of as many digits as the family's images hold; the
// version has the family's byte count (two for GT9xxx: 4 hex digits), first byte first; the
// seed is a number (default 1). Anything else is refused with the usage line, and no file.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sim/SimFamily.h"

namespace {

// Whether the whole text is 1 to `maxDigits` digits in `base` (no sign, no prefix, no blank)
// of a number that fits `value`.
bool ParseNumber(const char* text, int base, size_t maxDigits, uint32_t& value) {
    const size_t digits = std::strlen(text);
    if (digits == 0 || digits > maxDigits) return false;
    const auto [end, error] = std::from_chars(text, text + digits, value, base);
    return error == std::errc() && end == text + digits;
}

int Usage(const char* program) {
    std::string families;
    for (const sim::SimFamily* family : sim::SimFamilies()) {
        if (!family->image.make) continue;
        families += (families.empty() ? "" : "|") + std::string(family->name);
    }
    std::fprintf(stderr, "usage: %s [%s] <file> <product id> <version in hex> [seed]\n", program,
                 families.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const sim::SimFamily* family = nullptr;
    for (const sim::SimFamily* row : sim::SimFamilies()) {
        if (row->image.make) {
            family = row;
            break;
        }
    }
    std::vector<const char*> args(argv + 1, argv + argc);
    if (!args.empty()) {
        const sim::SimFamily* named = sim::SimFamilyNamed(args.front());
        if (named && named->image.make) {
            family = named;
            args.erase(args.begin());
        }
    }
    const sim::SimImageMaker& maker = family->image;
    // A product id that is no number is most often a mistyped family that took the file's
    // place: nothing is written then.
    uint32_t productId = 0;
    if (args.size() < 3 || args.size() > 4 ||
        !ParseNumber(args[1], 10, maker.productIdLength, productId))
        return Usage(argv[0]);
    uint32_t version = 0;
    if (!ParseNumber(args[2], 16, 2 * maker.versionBytes, version)) {
        std::fprintf(stderr, "%s: a %s version is up to %zu hex digits, not \"%s\"\n", argv[0],
                     family->name, 2 * maker.versionBytes, args[2]);
        return 2;
    }
    uint32_t seed = 1;
    if (args.size() > 3 && !ParseNumber(args[3], 10, 10, seed)) return Usage(argv[0]);
    const std::vector<uint8_t> image = maker.make(args[1], version, seed);
    std::ofstream out(args[0], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], args[0]);
        return 1;
    }
    return 0;
}
