// Writes a bridge firmware image for the simulated bench, in a folder:
//   quillon-sim-bridge-image <folder> <name stem> <identity> [hex|bin] [size]
// A HEX image is written as <stem>.hex; a raw one as <stem>_<checksum>.bin. The simulated
// bridge answers the identity once it runs the image. Prints the file's name.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/BridgeImage.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <folder> <name stem> <identity> [hex|bin] [size]\n",
                     argv[0]);
        return 2;
    }
    const std::string kind = argc > 4 ? argv[4] : "hex";
    if (kind != "hex" && kind != "bin") {
        std::fprintf(stderr, "%s: the kind is hex or bin, not %s\n", argv[0], kind.c_str());
        return 2;
    }
    const size_t size = argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 4096;
    const auto image = sim::MakeBridgeImage(argv[3], size);
    const std::string name =
        kind == "hex" ? std::string(argv[2]) + ".hex" : sim::RawImageName(argv[2], image);
    const std::string text =
        kind == "hex" ? sim::ToIntelHex(image) : std::string(image.begin(), image.end());
    std::ofstream out(std::filesystem::path(argv[1]) / name, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], name.c_str());
        return 1;
    }
    std::printf("%s\n", name.c_str());
    return 0;
}
