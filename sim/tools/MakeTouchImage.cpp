// Writes a touch firmware image for the simulated bench:
//   quillon-sim-image [family] <file> <product id> <version in hex> [seed]
// The family is GT9xxx (the default), GT73xx, GT9Pxx or GT79xx. The version has two bytes for
// GT9xxx (4 hex digits), three for GT73xx and GT9Pxx (6), four for GT79xx (8), first byte first.
#include <strings.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9xxx/Gt9xxxImage.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One family: its name, the version's byte count and how an image is made from the id, the
// version bytes and the seed.
struct Family {
    const char* name;
    size_t versionBytes;
    std::function<Bytes(const std::string&, const Bytes&, uint32_t)> make;
};

template <size_t N>
std::array<uint8_t, N> Array(const Bytes& bytes) {
    std::array<uint8_t, N> out{};
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

const std::vector<Family>& Families() {
    static const std::vector<Family> families = {
        {"GT9xxx", 2,
         [](const std::string& id, const Bytes& v, uint32_t seed) {
             return sim::MakeGt9xxxImage(id, static_cast<uint16_t>((v[0] << 8) | v[1]), seed);
         }},
        {"GT73xx", 3,
         [](const std::string& id, const Bytes& v, uint32_t seed) {
             return sim::MakeGt73xxImage(id, Array<3>(v), seed);
         }},
        {"GT9Pxx", 3,
         [](const std::string& id, const Bytes& v, uint32_t seed) {
             return sim::MakeGt9pxxImage(id, Array<3>(v), seed);
         }},
        {"GT79xx", 4,
         [](const std::string& id, const Bytes& v, uint32_t seed) {
             return sim::MakeGt79xxImage(id, Array<4>(v), seed);
         }},
    };
    return families;
}

// The version's bytes, first byte first; false unless the text is 1 to 2 * count hex digits.
bool ParseVersion(const char* text, size_t count, Bytes& bytes) {
    const size_t digits = std::strlen(text);
    if (digits == 0 || digits > 2 * count) return false;
    uint32_t value = 0;
    for (const char* c = text; *c; ++c) {
        const char d = *c;
        int nibble = -1;
        if (d >= '0' && d <= '9') nibble = d - '0';
        if (d >= 'a' && d <= 'f') nibble = d - 'a' + 10;
        if (d >= 'A' && d <= 'F') nibble = d - 'A' + 10;
        if (nibble < 0) return false;
        value = (value << 4) | static_cast<uint32_t>(nibble);
    }
    bytes.resize(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * (count - 1 - i)));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const Family* family = &Families().front();
    char** args = argv;
    int count = argc;
    for (const Family& f : Families()) {
        if (argc > 1 && strcasecmp(argv[1], f.name) == 0) {
            family = &f;
            ++args;
            --count;
        }
    }
    if (count < 4) {
        std::fprintf(stderr,
                     "usage: %s [GT9xxx|GT73xx|GT9Pxx|GT79xx] <file> <product id> "
                     "<version in hex> [seed]\n",
                     argv[0]);
        return 2;
    }
    Bytes version;
    if (!ParseVersion(args[3], family->versionBytes, version)) {
        std::fprintf(stderr, "%s: a %s version is up to %zu hex digits, not \"%s\"\n", argv[0],
                     family->name, 2 * family->versionBytes, args[3]);
        return 2;
    }
    const auto seed = count > 4 ? static_cast<uint32_t>(std::strtoul(args[4], nullptr, 10)) : 1u;
    const Bytes image = family->make(args[2], version, seed);
    std::ofstream out(args[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], args[1]);
        return 1;
    }
    return 0;
}
