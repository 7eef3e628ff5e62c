#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "platform/NamedLock.h"
#include "support/TempFolder.h"

using platform::NamedLock;

TEST(NamedLock, SecondHolderFindsTheNameTakenUntilTheFirstLetsGo) {
    testsupport::TempFolder folder;
    auto first = std::make_unique<NamedLock>("Quillon", folder.Path());
    EXPECT_TRUE(first->Held());
    EXPECT_FALSE(first->AlreadyExisted());
    {
        NamedLock second("Quillon", folder.Path());
        EXPECT_TRUE(second.AlreadyExisted());
        EXPECT_FALSE(second.Held());
        // Another name is free.
        NamedLock other("Tessaly", folder.Path());
        EXPECT_TRUE(other.Held());
    }
    first.reset();
    NamedLock third("Quillon", folder.Path());
    EXPECT_TRUE(third.Held());
}

TEST(NamedLock, NameOfAProcessThatDiesIsFree) {
    testsupport::TempFolder folder;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        NamedLock held("Quillon", folder.Path());
        const char byte = held.Held() ? 'y' : 'n';
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'y');
    EXPECT_TRUE(NamedLock("Quillon", folder.Path()).AlreadyExisted());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_TRUE(NamedLock("Quillon", folder.Path()).Held());
}

TEST(NamedLock, NamesLiveInTheRuntimeFolderOrPerUserInTmp) {
    testsupport::TempFolder folder;
    EXPECT_EQ(NamedLock::PathOf("Quillon", folder.Path()), folder.Path() / "Quillon.lock");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    setenv("XDG_RUNTIME_DIR", folder.Path().c_str(), 1);
    EXPECT_EQ(NamedLock::PathOf("Quillon"), folder.Path() / "quillon" / "Quillon.lock");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(NamedLock::PathOf("Quillon"),
              "/tmp/quillon-" + std::to_string(getuid()) + "/Quillon.lock");
    if (runtime) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}
