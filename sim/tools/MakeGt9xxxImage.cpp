// Writes a touch firmware image for the simulated bench:
//   quillon-sim-image [GT79xx] <file> <product id> <version in hex> [seed]
// GT9xxx images by default; GT79xx images take a version of four bytes (8 hex digits).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxImage.h"

int main(int argc, char** argv) {
    const bool gt79xx = argc > 1 && strcasecmp(argv[1], "GT79xx") == 0;
    char** args = gt79xx ? argv + 1 : argv;
    const int count = gt79xx ? argc - 1 : argc;
    if (count < 4) {
        std::fprintf(stderr, "usage: %s [GT79xx] <file> <product id> <version in hex> [seed]\n",
                     argv[0]);
        return 2;
    }
    const auto version = static_cast<uint32_t>(std::strtoul(args[3], nullptr, 16));
    const auto seed = count > 4 ? static_cast<uint32_t>(std::strtoul(args[4], nullptr, 10)) : 1u;
    const auto image =
        gt79xx ? sim::MakeGt79xxImage(
                     args[2],
                     {static_cast<uint8_t>(version >> 24), static_cast<uint8_t>(version >> 16),
                      static_cast<uint8_t>(version >> 8), static_cast<uint8_t>(version)},
                     seed)
               : sim::MakeGt9xxxImage(args[2], static_cast<uint16_t>(version), seed);
    std::ofstream out(args[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], args[1]);
        return 1;
    }
    return 0;
}
