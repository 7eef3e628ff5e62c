#include "app/SingleInstance.h"

#include "platform/MessageService.h"

bool SingleInstance::Claim() {
    quillon_ = std::make_unique<platform::NamedLock>("Quillon", folder_);
    if (quillon_->AlreadyExisted()) {
        platform::ShowMessage("Quillon is running!");
        return false;
    }
    tessaly_ = std::make_unique<platform::NamedLock>("Tessaly", folder_);
    if (tessaly_->AlreadyExisted()) {
        platform::ShowMessage("Please shutdown Orvanta Tessaly");
        return false;
    }
    return true;
}
