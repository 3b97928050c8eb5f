// The walk through a folder: which entries an archive holds, in which order, and what ends the walk.
#include "content/zip/zip_job.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "base/unique_fd.h"
#include "content/zip/zip_test_tools.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ZipPackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(top / "a.txt", "top file a");
        WriteFile(top / ".profile", "dot files are packed");
        WriteFile(top / "sub" / "b.txt", std::string(70000, 'b'));
        WriteFile(top / "sub" / "deeper" / "c.txt", "c");
        WriteFile(top / "sub" / ".cache" / "skipped.txt", "dot folders are not");
        WriteFile(top / ".git" / "skipped.txt", "dot folders are not");
        WriteFile(top / "z" / "last.txt", "z");
    }

    // Packs `source` into a fresh archive file; the parsed archive, or nothing when it is not whole.
    std::optional<ParsedZip> Pack(const fs::path& source, bool include_subfolders,
                                  ZipStatus expected = ZipStatus::Complete)
    {
        UniqueFd out(::open(archive.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        ZipProgress progress;
        EXPECT_EQ(WriteZipArchive(source.string(), out.get(), include_subfolders, progress), expected);
        const std::string bytes = ReadWholeFile(archive);
        // Whatever ends the walk, the file holds exactly the bytes published as final.
        EXPECT_EQ(progress.finished.load(), bytes.size());
        if (expected != ZipStatus::Complete) return std::nullopt;
        ExpectUnzipTestPasses(archive);
        return ParseZip(bytes);
    }

    static std::vector<std::string> Sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    TestHome home;
    fs::path top = home.path() / "top";
    fs::path archive = home.path() / "out.zip";
};

TEST_F(ZipPackTest, WithoutSubfoldersOnlyTheTopFiles)
{
    const std::optional<ParsedZip> zip = Pack(top, false);
    ASSERT_TRUE(zip);
    EXPECT_EQ(Sorted(EntryNames(*zip)), (std::vector<std::string>{".profile", "a.txt"}));
}

TEST_F(ZipPackTest, SubfoldersDepthFirstAfterTheTopFilesWithoutDotFolders)
{
    const std::optional<ParsedZip> zip = Pack(top, true);
    ASSERT_TRUE(zip);
    const std::vector<std::string> names = EntryNames(*zip);
    ASSERT_EQ(Sorted(names),
              (std::vector<std::string>{".profile", "a.txt", "sub/b.txt", "sub/deeper/c.txt", "z/last.txt"}));
    // The top directory's files come first; each sub-folder's entries follow one another.
    EXPECT_EQ(Sorted({names[0], names[1]}), (std::vector<std::string>{".profile", "a.txt"}));
    const auto sub =
        std::find_if(names.begin(), names.end(), [](const std::string& n) { return n.starts_with("sub/"); });
    ASSERT_LE(sub + 3, names.end());
    EXPECT_TRUE(sub[1].starts_with("sub/"));
    ExpectExtractsAsSource(archive, top, names, home.path() / "extracted");
}

TEST_F(ZipPackTest, LinkLoopsEndAndNoDirectoryIsPackedTwice)
{
    fs::create_directory_symlink("..", top / "sub" / "up");
    fs::create_directory_symlink(".", top / "sub" / "deeper" / "here");
    fs::create_directory_symlink(top / "sub", top / "alias");
    const std::optional<ParsedZip> zip = Pack(top, true);
    ASSERT_TRUE(zip);
    std::map<std::string, int> seen;
    for (const std::string& name : EntryNames(*zip)) ++seen[name.substr(name.rfind('/') + 1)];
    EXPECT_EQ(seen, (std::map<std::string, int>{
                        {".profile", 1}, {"a.txt", 1}, {"b.txt", 1}, {"c.txt", 1}, {"last.txt", 1}}));
}

TEST_F(ZipPackTest, WhatIsNoFileOrFolderIsLeftOut)
{
    ASSERT_EQ(::mkfifo((top / "pipe").c_str(), 0600), 0);
    fs::create_symlink(top / "nowhere", top / "dangling");
    WriteFile(top / "huge", "");
    fs::resize_file(top / "huge", std::uint64_t{5} << 30);  // sparse
    const std::optional<ParsedZip> zip = Pack(top, false);
    ASSERT_TRUE(zip);
    EXPECT_EQ(Sorted(EntryNames(*zip)), (std::vector<std::string>{".profile", "a.txt"}));
}

TEST_F(ZipPackTest, FoldersBelowTheDepthLimitAreLeftOut)
{
    fs::path deep = top / "sub";
    for (int depth = 1; depth <= kZipMaxDepth + 1; ++depth) {
        WriteFile(deep / ("at-" + std::to_string(depth)), "");
        deep /= "d";
    }
    const std::optional<ParsedZip> zip = Pack(top, true);
    ASSERT_TRUE(zip);
    std::string expected_deepest = "sub/";
    for (int depth = 1; depth < kZipMaxDepth; ++depth) expected_deepest += "d/";
    expected_deepest += "at-" + std::to_string(kZipMaxDepth);
    const std::vector<std::string> names = EntryNames(*zip);
    EXPECT_NE(std::find(names.begin(), names.end(), expected_deepest), names.end());
    for (const std::string& name : names)
        EXPECT_FALSE(name.ends_with("at-" + std::to_string(kZipMaxDepth + 1)));
}

TEST_F(ZipPackTest, SingleFileSourceAndMissingSource)
{
    const std::optional<ParsedZip> zip = Pack(top / "sub" / "b.txt", true);
    ASSERT_TRUE(zip);
    EXPECT_EQ(EntryNames(*zip), std::vector<std::string>{"b.txt"});

    Pack(top / "missing", true, ZipStatus::SourceMissing);
    EXPECT_EQ(fs::file_size(archive), 0u);
}

TEST_F(ZipPackTest, UnreadableFileEndsTheArchiveWithoutDirectory)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    fs::permissions(top / "a.txt", fs::perms::none);
    Pack(top, false, ZipStatus::AddFailed);
    const std::string bytes = ReadWholeFile(archive);
    EXPECT_EQ(bytes.find(std::string_view("PK\1\2", 4)), std::string::npos);
    EXPECT_EQ(bytes.find(std::string_view("PK\5\6", 4)), std::string::npos);
}

}  // namespace
}  // namespace vireo::testing
