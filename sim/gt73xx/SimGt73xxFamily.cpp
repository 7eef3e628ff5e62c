#include "sim/SimFamily.h"
#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt73xx/SimGt73xxFlash.h"

namespace sim {

// A GT73xx with a three-byte version that accepts firmware downloads.
extern const SimFamily kSimGt73xxFamily = {
    .name = "GT73xx",
    .build = [](const SimChipDescription& d) -> SimChipBuilt {
        auto chip = std::make_shared<SimGt73xxFlash>(d.productId, VersionBytes<3>(d.version));
        ReadDownloadFaults(d.file, chip->faults());
        return {chip, &chip->config()};
    },
    .sampleProductId = "7387",
    .sampleVersion = 0x010203,
    .image = {.versionBytes = 3,
              .productIdLength = 4,
              .make =
                  [](const std::string& id, uint32_t version, uint32_t seed) {
                      return MakeGt73xxImage(id, VersionBytes<3>(version), seed);
                  }},
};

}  // namespace sim
