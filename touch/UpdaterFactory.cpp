#include "touch/UpdaterFactory.h"

#include "touch/gt9xxx/C9xxxUpdate.h"

std::unique_ptr<CFwUpdate> CreateUpdater(ChipFamily family, LogTarget* log) {
    switch (family) {
        case kFamilyGT9Pxx:
        case kFamilyGT73xx:
        case kFamilyGT79xx:
        case kFamilyFT5xxx:
            return nullptr;
        default:
            return std::make_unique<C9xxxUpdate>(log);
    }
}
