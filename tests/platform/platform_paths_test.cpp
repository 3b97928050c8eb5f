// The XDG folders, the documents folder, volumes and scratch files, each under a private HOME.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/scratch_file.h"
#include "platform/volumes.h"
#include "platform/xdg_paths.h"
#include "support/child_process.h"
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

// The mount point that holds the path once the table shows `expected`, waiting at most a second:
// the table follows the system's change notice from a thread of its own, within moments.
std::string MountPointSettlingOn(const std::string& path, const std::string& expected)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::optional<MountEntry> mount = FindMount(path);
    while ((!mount || mount->mount_point != expected) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        mount = FindMount(path);
    }
    return mount ? mount->mount_point : std::string();
}

// Started by the test below inside a mount namespace of its own, so its mounts touch nothing else:
// the mount table is read once and must still follow a mount and an unmount made afterwards.
TEST_F(PlatformPathsTest, MountTableFollowsMountsInsidePrivateNamespace)
{
    if (std::getenv("VIREO_PRIVATE_MOUNTS") == nullptr) GTEST_SKIP() << "runs only inside its own namespace";
    const std::string folder = (home.path() / "mounted").string();
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(FindMount(folder));
    EXPECT_NE(FindMount(folder)->mount_point, folder);

    ASSERT_EQ(RunProgram({"/usr/bin/mount", "-t", "tmpfs", "-o", "size=1m", "vireo-test", folder}).exit_code,
              0);
    EXPECT_EQ(MountPointSettlingOn(folder + "/inside", folder), folder);
    std::optional<MountEntry> mounted = FindMount(folder + "/inside");
    ASSERT_TRUE(mounted);
    EXPECT_EQ(mounted->source, "vireo-test");
    EXPECT_EQ(mounted->type, "tmpfs");
    EXPECT_TRUE(IsVolumeReady(folder));

    ASSERT_EQ(RunProgram({"/usr/bin/umount", folder}).exit_code, 0);
    const std::string parent = home.path().parent_path().string();
    EXPECT_NE(MountPointSettlingOn(folder, FindMount(parent)->mount_point), folder);
}

TEST_F(PlatformPathsTest, MountTableFollowsMounts)
{
    if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    ::setenv("VIREO_PRIVATE_MOUNTS", "1", 1);
    ProgramResult run =
        RunProgram({"/usr/bin/unshare", "--mount", "--propagation", "private", GetProgramPath()->string(),
                    "--gtest_filter=*MountTableFollowsMountsInsidePrivateNamespace"});
    ::unsetenv("VIREO_PRIVATE_MOUNTS");
    if (run.output.find("unshare failed") != std::string::npos) GTEST_SKIP() << run.output;
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
}

class ScratchFileTest : public PlatformPathsTest {
protected:
    void SetUp() override { ::setenv("TMPDIR", home.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }
};

// The upload parser frees what it has read: only whole MiB steps below the offset go, and the bytes
// beyond stay exactly as written.
TEST_F(ScratchFileTest, DiscardFreesWholeStepsBelowTheOffsetOnly)
{
    std::optional<ScratchFile> scratch = CreateScratchFile(true);
    ASSERT_TRUE(scratch);
    constexpr std::size_t kMiB = 1024 * 1024;
    std::string bytes(3 * kMiB + 100, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(::pwrite(scratch->fd(), bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));

    scratch->Discard(2 * kMiB + 5);
    scratch->Discard(kMiB);  // behind what is freed already: nothing changes
    std::string after(bytes.size(), '\0');
    ASSERT_EQ(::pread(scratch->fd(), after.data(), after.size(), 0), static_cast<ssize_t>(after.size()));
    // File systems without holes keep the bytes; with holes the first two MiB read as zeros.
    if (after[0] == '\0') {
        EXPECT_EQ(after.substr(0, 2 * kMiB), std::string(2 * kMiB, '\0'));
    }
    EXPECT_EQ(after.substr(2 * kMiB), bytes.substr(2 * kMiB));
}

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
