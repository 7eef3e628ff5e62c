#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "platform/ByteInput.h"

using platform::ByteInput;
using platform::StdinByteInput;

namespace {

// Standard input replaced by a pipe that the test writes, restored afterwards.
class PipedStdin : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = dup(STDIN_FILENO);
        ASSERT_EQ(pipe(fds_), 0);
        ASSERT_EQ(dup2(fds_[0], STDIN_FILENO), STDIN_FILENO);
        close(fds_[0]);
    }
    void TearDown() override {
        if (fds_[1] >= 0) close(fds_[1]);
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    void Feed(const std::string& bytes) {
        ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void CloseWriter() {
        close(fds_[1]);
        fds_[1] = -1;
    }

    int saved_ = -1;
    int fds_[2] = {-1, -1};
};

}  // namespace

TEST_F(PipedStdin, BytesOneAtATimeThenTheEnd) {
    StdinByteInput input;
    Feed(std::string("v\xff\n", 3));
    EXPECT_EQ(input.ReadByte(), 'v');
    EXPECT_EQ(input.ReadByte(), 0xFF);
    EXPECT_EQ(input.ReadByte(), '\n');
    CloseWriter();
    EXPECT_EQ(input.ReadByte(), ByteInput::kEnd);
    EXPECT_EQ(input.ReadByte(), ByteInput::kEnd);
}

TEST_F(PipedStdin, OneByteReadLeavesTheRestInTheInput) {
    {
        StdinByteInput input;
        Feed("ab");
        EXPECT_EQ(input.ReadByte(), 'a');
    }
    char rest = 0;
    EXPECT_EQ(read(STDIN_FILENO, &rest, 1), 1);
    EXPECT_EQ(rest, 'b');
}

TEST_F(PipedStdin, CancelEndsAWaitAndEveryLaterRead) {
    StdinByteInput input;
    int result = 0;
    std::thread reader([&] { result = input.ReadByte(); });
    input.Cancel();
    reader.join();
    EXPECT_EQ(result, ByteInput::kEnd);
    Feed("v");
    EXPECT_EQ(input.ReadByte(), ByteInput::kEnd);
}
