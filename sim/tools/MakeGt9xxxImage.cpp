// Writes a GT9xxx firmware image for the simulated bench:
//   quillon-sim-image <file> <product id> <version in hex> [seed]
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "sim/gt9xxx/Gt9xxxImage.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <file> <product id> <version in hex> [seed]\n", argv[0]);
        return 2;
    }
    const auto version = static_cast<uint16_t>(std::strtoul(argv[3], nullptr, 16));
    const auto seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1u;
    const auto image = sim::MakeGt9xxxImage(argv[2], version, seed);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
