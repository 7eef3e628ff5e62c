#include "app/SingleInstance.h"

#include "platform/MessageService.h"

namespace {

// Takes the name; false, with its message shown, when it is held already or cannot be
// checked at all.
bool Take(platform::MessageService& messages, std::unique_ptr<platform::NamedLock>& lock,
          const std::string& name, const std::filesystem::path& folder,
          const std::string& heldMessage) {
    lock = std::make_unique<platform::NamedLock>(name, folder);
    if (lock->AlreadyExisted()) {
        messages.ShowMessage(heldMessage);
        return false;
    }
    if (!lock->Error().empty()) {
        messages.ShowMessage("Cannot tell whether another instance is running: " + lock->Error());
        return false;
    }
    return true;
}

}  // namespace

bool SingleInstance::Claim() {
    return Take(messages_, quillon_, "Quillon", folder_, "Quillon is running!") &&
           Take(messages_, tessaly_, "Tessaly", folder_, "Please shutdown Orvanta Tessaly");
}
