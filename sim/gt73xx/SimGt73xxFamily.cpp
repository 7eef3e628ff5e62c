#include "sim/SimFamily.h"
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
};

}  // namespace sim
