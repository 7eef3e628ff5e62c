// A GT73xx image whose length field or sum does not hold, run as a controlling program runs
// it ("quillon /s /u"): the image loads, the download's own check refuses it before anything
// reaches the chip, and the run ends with its result line.
#include <functional>

#include "QuillonExe.h"
#include "sim/gt73xx/Gt73xxImage.h"

namespace {

class Gt73xxImageCheck : public QuillonExe {
  protected:
    void SetUp() override {
        QuillonExe::SetUp();
        simulation_ =
            "[Bridge]\nVendorId=27C6\nProductId=0301\nVersion=0100\nInterface=1\n"
            "[Chip]\nFamily=GT73xx\nProductId=7387\nVersion=010203\n[Time]\nVirtual=1\n";
    }
    void WriteImage(const std::vector<uint8_t>& image) {
        std::ofstream(folder_ / "G7387.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }
    // Reports that reached the bridge with the given first bytes.
    size_t Sent(const std::string& prefix) const {
        size_t count = 0;
        for (const auto& line : Trace()) {
            if (line.rfind("> " + prefix, 0) == 0) ++count;
        }
        return count;
    }
};

void SetLengthField(std::vector<uint8_t>& image, uint32_t length) {
    for (int i = 0; i < 4; ++i) image[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
}

}  // namespace

TEST_F(Gt73xxImageCheck, LengthAndSumFaultsAreFailedUpgradesWithNothingSentToTheChip) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"length field one byte past the end",
         [](auto& i) { SetLengthField(i, static_cast<uint32_t>(i.size() - 5)); },
         "Upgrading...\nUpgrade failed\n"},
        {"length field far past the end", [](auto& i) { SetLengthField(i, 0xFFFFFFFF); },
         "Upgrading...\nUpgrade failed\n"},
        {"sum one off", [](auto& i) { i[5] ^= 1; }, "Upgrading...\nUpgrade failed\n"},
        {"length field up to the last byte", [](auto&) {}, "Upgrading...\nUpgrade success\n"},
    };
    const auto good = sim::MakeGt73xxImage("7387", {1, 2, 4});
    for (const Case& c : cases) {
        auto image = good;
        c.change(image);
        WriteImage(image);
        const std::string out = Run();
        const size_t from = out.find("Upgrading...");
        ASSERT_NE(from, std::string::npos) << c.what << ": " << out;
        EXPECT_EQ(out.substr(from, out.find("*****", from) - from), c.result) << c.what;
        // The update session (bridge commands 43 and 41) and the stub's memory at 0x8000.
        const bool downloads = c.result.find("success") != std::string::npos;
        EXPECT_EQ(Sent("03 01 2b") > 0, downloads) << c.what;
        EXPECT_EQ(Sent("03 01 0f 80 00") > 0, downloads) << c.what;
    }
}
