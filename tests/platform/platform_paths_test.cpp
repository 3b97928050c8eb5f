// The XDG folders, the documents folder, volumes and scratch files, each under a private HOME.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/scratch_file.h"
#include "platform/volumes.h"
#include "platform/xdg_paths.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

class PlatformPathsTest : public ::testing::Test {
protected:
    void WriteUserDirs(const std::string& contents)
    {
        std::filesystem::create_directories(home.path() / ".config");
        std::ofstream(home.path() / ".config/user-dirs.dirs") << contents;
    }

    TestHome home;
};

TEST_F(PlatformPathsTest, XdgFoldersFollowTheEnvironmentAndFallBackUnderHome)
{
    EXPECT_EQ(GetConfigFolder(), home.path() / ".config");
    EXPECT_EQ(GetDataFolder(), home.path() / ".local/share");
    // A relative XDG folder is not valid and is ignored.
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetConfigFolder(), home.path() / ".config");
    EXPECT_EQ(GetDataFolder(), home.path() / ".local/share");
    ::setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
    EXPECT_EQ(GetConfigFolder(), std::filesystem::path("/elsewhere/config"));
}

TEST_F(PlatformPathsTest, DocumentsFolderIsTheHomeFolderUntilDocumentsExists)
{
    EXPECT_EQ(GetDocumentsFolder(), home.path());
    std::filesystem::create_directory(home.path() / "Documents");
    EXPECT_EQ(GetDocumentsFolder(), home.path() / "Documents");
}

TEST_F(PlatformPathsTest, DocumentsFolderComesFromUserDirsWhenSet)
{
    struct Case {
        std::string line;
        std::filesystem::path expected;
    };
    const Case cases[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n", home.path() / "Papers"},
        {"# comment\nXDG_DOCUMENTS_DIR=\"${HOME}/My Papers\"\n", home.path() / "My Papers"},
        {"XDG_DOCUMENTS_DIR=\"/srv/documents\"\n", "/srv/documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\"\nXDG_DOCUMENTS_DIR=\"$HOME/b\"\n", home.path() / "b"},
        {"XDG_MUSIC_DIR=\"$HOME/Music\"\n", home.path()},
    };
    for (const Case& c : cases) {
        WriteUserDirs(c.line);
        EXPECT_EQ(GetDocumentsFolder(), c.expected) << c.line;
    }
}

TEST_F(PlatformPathsTest, ProgramPathIsTheRunningTestProgram)
{
    std::optional<std::filesystem::path> program = GetProgramPath();
    ASSERT_TRUE(program);
    EXPECT_TRUE(program->is_absolute());
    EXPECT_EQ(program->filename(), "vireo_tests_platform");
}

TEST_F(PlatformPathsTest, LocalFoldersAreOnFixedReadyVolumes)
{
    EXPECT_EQ(GetDriveKind(home.path().string()), DriveKind::Fixed);
    // A path that does not exist yet lies on the volume of its nearest existing folder.
    EXPECT_EQ(GetDriveKind((home.path() / "not/yet").string()), DriveKind::Fixed);
    EXPECT_TRUE(IsVolumeReady(home.path().string()));
    EXPECT_TRUE(IsVolumeReady("/"));
    for (std::string_view relative : {"", "relative/path", "C:\\Windows"}) {
        EXPECT_EQ(GetDriveKind(relative), DriveKind::Unknown) << relative;
        EXPECT_FALSE(IsVolumeReady(relative)) << relative;
    }
}

class ScratchFileTest : public PlatformPathsTest {
protected:
    void SetUp() override { ::setenv("TMPDIR", home.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }
};

TEST_F(ScratchFileTest, IsANewReadWriteFileInTheTemporaryFolder)
{
    std::optional<ScratchFile> first = CreateScratchFile(true);
    std::optional<ScratchFile> second = CreateScratchFile(true);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->path(), second->path());
    EXPECT_EQ(first->path().parent_path(), home.path());
    EXPECT_TRUE(first->path().filename().string().starts_with("xyz"));

    ASSERT_EQ(::write(first->fd(), "hello", 5), 5);
    char back[5] = {};
    ASSERT_EQ(::pread(first->fd(), back, sizeof back, 0), 5);
    EXPECT_EQ(std::string_view(back, 5), "hello");
}

TEST_F(ScratchFileTest, IsRemovedAtDestructionOnlyWhenAsked)
{
    std::filesystem::path removed, kept;
    {
        std::optional<ScratchFile> temporary = CreateScratchFile(true);
        std::optional<ScratchFile> lasting = CreateScratchFile(false);
        ASSERT_TRUE(temporary && lasting);
        removed = temporary->path();
        kept = lasting->path();
        // Moving the object moves the duty to remove the file with it.
        ScratchFile moved = std::move(*temporary);
        temporary.reset();
        EXPECT_TRUE(std::filesystem::exists(removed));
    }
    EXPECT_FALSE(std::filesystem::exists(removed));
    EXPECT_TRUE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace vireo::testing
