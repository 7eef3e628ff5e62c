#include "sim/SimFamily.h"
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
};

}  // namespace sim
