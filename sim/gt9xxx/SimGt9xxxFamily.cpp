#include "sim/SimFamily.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"

namespace sim {

// A GT9xxx showing up to four product id characters and a 16-bit version; its faults are
// those of its download.
extern const SimFamily kSimGt9xxxFamily = {
    .name = "GT9xxx",
    .build = [](const SimChipDescription& d) -> SimChipBuilt {
        auto chip = std::make_shared<SimGt9xxxFlash>();
        char id[4] = {};
        for (size_t i = 0; i < 4 && i < d.productId.size(); ++i) id[i] = d.productId[i];
        chip->SetIdentity(id, static_cast<uint16_t>(d.version));
        chip->faults().burnNeverCompletes = FaultFlag(d.file, "BurnNeverCompletes");
        chip->faults().holdNeverTakes = FaultFlag(d.file, "HoldNeverTakes");
        chip->faults().goneAfterReset = FaultFlag(d.file, "GoneAfterReset");
        return {chip, &chip->config()};
    },
    .sampleProductId = "911",
    .sampleVersion = 0x1060,
    .image = {.versionBytes = 2,
              .productIdLength = 4,
              .make =
                  [](const std::string& id, uint32_t version, uint32_t seed) {
                      return MakeGt9xxxImage(id, static_cast<uint16_t>(version), seed);
                  }},
};

}  // namespace sim
