#include "sim/SimFamily.h"
#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"

namespace sim {

// A GT9Pxx with a three-byte version that accepts firmware downloads.
extern const SimFamily kSimGt9pxxFamily = {
    .name = "GT9Pxx",
    .build = [](const SimChipDescription& d) -> SimChipBuilt {
        auto chip = std::make_shared<SimGt9pxxFlash>(d.productId, VersionBytes<3>(d.version));
        ReadDownloadFaults(d.file, chip->faults());
        return {chip, &chip->config()};
    },
    .sampleProductId = "9286",
    .sampleVersion = 0x010203,
    .image = {.versionBytes = 3,
              .productIdLength = 4,
              .make =
                  [](const std::string& id, uint32_t version, uint32_t seed) {
                      return MakeGt9pxxImage(id, VersionBytes<3>(version), seed);
                  }},
};

}  // namespace sim
