// The single-instance rules of an interactive start as its message boxes show them: both names
// taken, or the one message that refuses the start.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/SingleInstance.h"
#include "platform/MessageService.h"
#include "platform/NamedLock.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

enum class Folder { Missing, OpenToAll, LinkToAnother };

struct ClaimCase {
    const char* name;
    Folder folder;
    const char* held;  // the name another instance holds, if any
    bool claimed;
    std::string message;  // "" for none; "<names>" stands for the folder of the names
};

class SingleInstanceClaim : public ::testing::TestWithParam<ClaimCase> {};

}  // namespace

TEST_P(SingleInstanceClaim, TakesBothNamesOrShowsWhyNot) {
    const ClaimCase& c = GetParam();
    testsupport::TempFolder temp;
    const fs::path names = temp.Path() / "quillon";
    if (c.folder == Folder::OpenToAll) {
        fs::create_directory(names);
        fs::permissions(names, fs::perms::all);
    } else if (c.folder == Folder::LinkToAnother) {
        fs::create_directory(temp.Path() / "elsewhere");
        fs::create_directory_symlink(temp.Path() / "elsewhere", names);
    }
    std::unique_ptr<platform::NamedLock> other;
    if (c.held) other = std::make_unique<platform::NamedLock>(c.held, names);

    platform::RecordingMessageService messages;
    SingleInstance instance(messages, names);
    EXPECT_EQ(instance.Claim(), c.claimed);

    std::string message = c.message;
    if (const size_t at = message.find("<names>"); at != std::string::npos)
        message.replace(at, 7, names.string());
    EXPECT_EQ(messages.Messages(),
              message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    if (c.claimed) {
        EXPECT_TRUE(platform::NamedLock("Quillon", names).AlreadyExisted());
        EXPECT_TRUE(platform::NamedLock("Tessaly", names).AlreadyExisted());
        EXPECT_EQ(fs::status(names).permissions(), fs::perms::owner_all);
    }
    // After a refused "Quillon", "Tessaly" is not taken; nothing lands behind a link.
    if (c.held && std::string(c.held) == "Quillon") {
        EXPECT_FALSE(fs::exists(names / "Tessaly.lock"));
    }
    EXPECT_FALSE(fs::exists(temp.Path() / "elsewhere" / "Quillon.lock"));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SingleInstanceClaim,
    ::testing::Values(
        ClaimCase{"NoneHeld", Folder::Missing, nullptr, true, ""},
        ClaimCase{"QuillonHeld", Folder::Missing, "Quillon", false, "Quillon is running!"},
        ClaimCase{"TessalyHeld", Folder::Missing, "Tessaly", false,
                  "Please shutdown Orvanta Tessaly"},
        ClaimCase{"FolderOthersMayWrite", Folder::OpenToAll, nullptr, true, ""},
        ClaimCase{"FolderIsALink", Folder::LinkToAnother, nullptr, false,
                  "Cannot tell whether another instance is running: the lock folder <names> is "
                  "not a folder (a link or another file stands there)"}),
    [](const auto& info) { return std::string(info.param.name); });
