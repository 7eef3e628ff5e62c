#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"

namespace {

namespace fs = std::filesystem;

class CorpusReplay : public ::testing::TestWithParam<fuzz::Target> {};

// Every seed of a target goes through its entry, as the fuzzer starts with them; an entry
// aborts on a broken property.
TEST_P(CorpusReplay, EverySeedPassesItsEntry) {
    const fs::path folder = fs::path(QUILLON_CORPUS_DIR) / GetParam().name;
    size_t seeds = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        // An exact copy, so that a read past the input is caught by the address sanitizer.
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        const auto copy = std::make_unique<uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), copy.get());
        EXPECT_EQ(GetParam().entry(copy.get(), bytes.size()), 0) << entry.path();
        ++seeds;
    }
    EXPECT_GT(seeds, 0u) << folder;
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay,
                         ::testing::ValuesIn(fuzz::Targets().begin(), fuzz::Targets().end()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
