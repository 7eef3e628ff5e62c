// The GT79xx image check takes any bytes: random and mutated images, each in a buffer of its
// exact length, so that the sanitizer presets catch a read past the end.
#include <gtest/gtest.h>

#include <random>

#include "sim/gt79xx/Gt79xxImage.h"
#include "touch/gt79xx/Gt79xxImage.h"

namespace {

// Every accepted table's rows lie inside the image, one after the other from offset 512.
void ExpectRowsInside(const std::vector<uint8_t>& image, const Gt79xxImageTable& table) {
    const uint8_t* next = image.data() + 512;
    for (size_t i = 0; i < table.count; ++i) {
        EXPECT_EQ(table.rows[i].data, next);
        next += table.rows[i].size;
        EXPECT_LE(next, image.data() + image.size());
    }
}

void Reseal(std::vector<uint8_t>& image) {
    const uint32_t body = static_cast<uint32_t>(image.size() - 8);
    const uint32_t sum = WordSum32(image.data() + 8, body / 2);
    for (int i = 0; i < 4; ++i) {
        image[i] = static_cast<uint8_t>(body >> (8 * i));
        image[4 + i] = static_cast<uint8_t>(sum >> (8 * i));
    }
}

}  // namespace

TEST(Gt79xxImageTest, WordSumWrapsAndTakesNoWordsForACountBelowOne) {
    const uint8_t bytes[] = {0xFF, 0xFF, 0x01, 0x00, 0x34, 0x12};
    EXPECT_EQ(WordSum32(bytes, 0), 0u);
    EXPECT_EQ(WordSum32(bytes, -3), 0u);
    EXPECT_EQ(WordSum32(bytes, 3), 0xFFFFu + 1 + 0x1234);
    std::vector<uint8_t> ones(2 * 65538, 0xFF);
    EXPECT_EQ(WordSum32(ones.data(), 65538), 0xFFFFu * 65538);  // wraps modulo 2^32
}

TEST(Gt79xxImageTest, RandomAndMutatedImagesNeverReachOutsideTheBuffer) {
    std::mt19937 random(79);
    const auto good = sim::MakeGt79xxImage("7936", {1, 2, 3, 4}, 5);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> image;
        switch (round % 3) {
            case 0:  // random bytes of a random length, sealed half the time
                image.resize(random() % 1200);
                for (auto& b : image) b = static_cast<uint8_t>(random());
                if (image.size() >= 8 && random() % 2) Reseal(image);
                break;
            case 1:  // a good image cut short, sealed or not
                image.assign(good.begin(), good.begin() + random() % good.size());
                if (image.size() >= 8 && random() % 2) Reseal(image);
                break;
            default:  // a good image with table bytes changed, then sealed again
                image = good;
                for (int k = 0; k < 4; ++k)
                    image[29 + random() % 483] = static_cast<uint8_t>(random());
                Reseal(image);
                break;
        }
        Gt79xxImageTable table;
        if (ReadGt79xxImageTable(image.data(), image.size(), table)) {
            ++accepted;
            EXPECT_GE(table.count, 1);
            EXPECT_LE(table.count, 47);
            ExpectRowsInside(image, table);
        }
    }
    EXPECT_GT(accepted, 0);
}
