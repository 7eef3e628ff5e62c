#include "sim/SimFamily.h"
#include "sim/ft5xxx/SimFt5xxx.h"

namespace sim {

// An FT5xxx answering its identity text (the description's product id); no faults, and no
// firmware images of the simulated bench.
extern const SimFamily kSimFt5xxxFamily = {
    .name = "FT5xxx",
    .build = [](const SimChipDescription& d) -> SimChipBuilt {
        return {std::make_shared<SimFt5xxx>(d.productId), nullptr};
    },
    .sampleProductId = "FT5682_V1.0",
    .sampleVersion = 0,
    .image = {},
};

}  // namespace sim
