// Seeded random images through the image checks, the load and the simulated download: run
// under the sanitizer presets, a read outside an image is a failure. A failing seed repeats.
#include <gtest/gtest.h>

#include <random>

#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt73xx/SimGt73xxFlash.h"
#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "touch/UpdaterRig.h"
#include "touch/gt73xx/C73xxUpdate.h"
#include "touch/gt9pxx/C9PxxUpdate.h"

namespace {

// One random change to an image: cut it, lengthen it, or overwrite a few of its bytes
// (mostly in the header, where the lengths and tables are).
void Mutate(std::vector<uint8_t>& image, std::mt19937& random, uint32_t headerSize) {
    auto pick = [&](uint32_t n) { return n ? static_cast<uint32_t>(random() % n) : 0u; };
    switch (pick(4)) {
        case 0:
            image.resize(pick(static_cast<uint32_t>(image.size()) + 1));
            break;
        case 1:
            image.resize(image.size() + 1 + pick(CFwUpdate::kImageCapacity - image.size() + 8),
                         0x5A);
            break;
        default:
            for (uint32_t n = 1 + pick(6); n > 0 && !image.empty(); --n) {
                const uint32_t at =
                    pick(std::min<uint32_t>(headerSize, static_cast<uint32_t>(image.size())));
                image[at] = static_cast<uint8_t>(random());
            }
            break;
    }
}

// Loads the image into the updater; when it loads, runs the download against the chip.
template <class Updater, class Fits>
void LoadAndDownload(UpdaterRig& rig, const std::vector<uint8_t>& image, Fits fits, unsigned seed) {
    // The checks alone, on a buffer exactly the image's size.
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[image.size() + 1]);
    std::copy(image.begin(), image.end(), exact.get());
    const bool acceptable = !image.empty() && image.size() <= CFwUpdate::kImageCapacity &&
                            fits(exact.get(), image.size());

    testsupport::RecordingLog log;
    Updater update({rig.device(), rig.clock, *rig.registry, rig.settings, &log});
    ASSERT_EQ(update.LoadFirmwareFile(rig.WriteImage(image)), acceptable)
        << "seed " << seed << " length " << image.size();
    const bool done = update.Update();
    const auto entries = log.entries();
    if (!acceptable) {
        EXPECT_FALSE(done);
    } else if (!done) {
        ASSERT_FALSE(entries.empty()) << "seed " << seed;
        EXPECT_EQ(entries.back().kind, LogError) << "seed " << seed;
    }
}

constexpr unsigned kSeeds = 24;

}  // namespace

TEST(RandomImage, Gt73xxImagesAreRefusedOrDownloadedWithinTheirBytes) {
    UpdaterRig rig(0x0301);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xxFlash>()));
    const auto good = sim::MakeGt73xxImage("7387", {1, 2, 4});
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        std::mt19937 random(seed);
        auto image = good;
        Mutate(image, random, 32);
        std::make_shared<sim::SimGt73xxFlash>()->Attach(*rig.bridge);
        LoadAndDownload<C73xxUpdate>(rig, image, C73xxUpdate::ImageFits, seed);
    }
}

TEST(RandomImage, Gt9pxxImagesAreRefusedOrDownloadedWithinTheirBytes) {
    UpdaterRig rig;
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt9pxxFlash>()));
    const auto good = sim::MakeGt9pxxImage("9286", {1, 2, 4});
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        std::mt19937 random(seed);
        auto image = good;
        Mutate(image, random, 64);
        std::make_shared<sim::SimGt9pxxFlash>()->Attach(*rig.bridge);
        LoadAndDownload<C9PxxUpdate>(rig, image, C9PxxUpdate::ImageFits, seed);
    }
}
