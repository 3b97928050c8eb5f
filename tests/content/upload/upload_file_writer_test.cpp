// Writing a new file from its start to its end with room on disk set aside ahead of the writes.
#include "content/upload/upload_file_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "base/unique_fd.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

// Bytes of disk the file takes up.
std::uint64_t Allocated(int fd)
{
    struct stat status {};
    EXPECT_EQ(::fstat(fd, &status), 0);
    return static_cast<std::uint64_t>(status.st_blocks) * 512;
}

class FileWriterTest : public ::testing::Test {
protected:
    UniqueFd Create(int flags = O_WRONLY)
    {
        return UniqueFd(::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, 0644));
    }

    TestHome home;
    fs::path path = home.path() / "written.bin";
};

TEST_F(FileWriterTest, FileHoldsWhatWasWrittenAndNoRoomBeyondItsEnd)
{
    // Pieces from one byte to more than the room set aside at a time, about 30 MB in all.
    std::mt19937 random(7);
    std::string data;
    UniqueFd fd = Create();
    FileWriter writer(fd.get());
    for (std::size_t piece : {1u, 4095u, 4097u, 3u << 20, 10u << 20, 1u, 200000u, 17u << 20}) {
        std::string bytes(piece, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        ASSERT_TRUE(writer.Write(bytes));
        data += bytes;
        // Room set aside never shows as data.
        EXPECT_EQ(fs::file_size(path), data.size());
    }
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(fs::file_size(path), data.size());
    EXPECT_LE(Allocated(fd.get()), data.size() + (1u << 20));
    fd.reset();
    EXPECT_TRUE(ReadFile(path) == data);
}

TEST_F(FileWriterTest, EmptyFileStaysEmpty)
{
    UniqueFd fd = Create();
    FileWriter writer(fd.get());
    EXPECT_TRUE(writer.Write(""));
    EXPECT_TRUE(writer.Finish());
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_LE(Allocated(fd.get()), 4096u);
}

TEST_F(FileWriterTest, FailedWriteIsReported)
{
    UniqueFd fd = Create(O_RDONLY);
    FileWriter writer(fd.get());
    EXPECT_FALSE(writer.Write("data"));
}

}  // namespace
}  // namespace vireo::testing
