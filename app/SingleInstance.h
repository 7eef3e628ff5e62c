#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/MessageService.h"
#include "platform/NamedLock.h"

// The single-instance rules of an interactive start: the instance holds the names "Quillon"
// and "Tessaly" (the latter is also held by the maker's sibling tool for touch screens) for
// as long as it runs. A silent instance takes neither and may run beside any other.
class SingleInstance {
  public:
    // messages: where a refusal is shown. folder: where the names live; empty for the user's
    // default folder.
    explicit SingleInstance(platform::MessageService& messages, std::filesystem::path folder = {})
        : messages_(messages), folder_(std::move(folder)) {}

    // Takes "Quillon", then "Tessaly". A name held already refuses the start: its message is
    // shown ("Quillon is running!" or "Please shutdown Orvanta Tessaly") and the result is
    // false; after a refused "Quillon", "Tessaly" is not taken. A name that cannot be checked
    // (its folder or file is not the user's own) refuses the start as well, with the reason.
    bool Claim();

  private:
    platform::MessageService& messages_;
    std::filesystem::path folder_;
    std::unique_ptr<platform::NamedLock> quillon_;
    std::unique_ptr<platform::NamedLock> tessaly_;
};
