#include "sim/SimFamily.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"

namespace sim {

// A GT79xx with a four-byte version; it keeps no configuration registers of the kind the
// other families share.
extern const SimFamily kSimGt79xxFamily = {
    .name = "GT79xx",
    .build = [](const SimChipDescription& d) -> SimChipBuilt {
        auto chip = std::make_shared<SimGt79xx>(d.productId, VersionBytes<4>(d.version));
        chip->faults().neverAcknowledge = FaultFlag(d.file, "NeverAcknowledge");
        chip->faults().rejectSubImageType = FaultNumber(d.file, "RejectSubImage", -1);
        chip->faults().goneAfterReset = FaultFlag(d.file, "GoneAfterReset");
        chip->faults().silentAfterReset = FaultNumber(d.file, "SilentAfterReset", 0);
        return {chip, nullptr};
    },
    .sampleProductId = "7936",
    .sampleVersion = 0x01020304,
    .image = {.versionBytes = 4,
              .productIdLength = 4,
              .make =
                  [](const std::string& id, uint32_t version, uint32_t seed) {
                      return MakeGt79xxImage(id, VersionBytes<4>(version), seed);
                  }},
};

}  // namespace sim
