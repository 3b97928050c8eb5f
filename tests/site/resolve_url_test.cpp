#include "site/resolve_url.h"

#include <gtest/gtest.h>

#include "settings/dynamic_files.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

class ResolveUrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(photos / "a.jpg", "lower a");
        WriteFile(photos / "A.jpg", "upper A");
        WriteFile(photos / "été.txt", "summer");
        WriteFile(photos / "sub" / "deep.txt", "deep");
        WriteFile(home.path() / "secret.txt", "outside every folder");
        WriteFile(home.path() / "report-2024.txt", "report");
        FolderSettings folder;
        folder.path = photos.string();
        folder.description = "Holiday pictures";
        ASSERT_TRUE(WriteFolder("photos", folder));
    }

    TestHome home;
    fs::path photos = home.path() / "photos";
};

struct Expectation {
    std::string url;
    TargetKind kind;
    std::string local;  // below the home folder; "" for none
};

void ExpectResolves(const fs::path& home, const Expectation& e)
{
    SCOPED_TRACE("url " + e.url);
    const ResolvedTarget target = ResolveUrl(e.url);
    EXPECT_EQ(target.kind, e.kind);
    EXPECT_EQ(target.found, e.kind != TargetKind::Unresolved);
    if (!target.found) return;
    EXPECT_EQ(target.local_path, e.local.empty() ? "" : (home / e.local).string());
}

TEST_F(ResolveUrlTest, HomePageFormsAndTheEmptyPath)
{
    for (std::string url : {"/", "//", "/ ", "\t/", "/\\", "/%20", "%2F"}) {
        const ResolvedTarget target = ResolveUrl(url);
        EXPECT_EQ(target.kind, TargetKind::Home) << url;
        EXPECT_TRUE(target.found) << url;
        EXPECT_EQ(target.local_path, "") << url;
    }
    for (std::string url : {"", "%20", " ", "\\"}) {
        const ResolvedTarget target = ResolveUrl(url);
        EXPECT_EQ(target.kind, TargetKind::Unresolved) << "[" << url << "]";
        EXPECT_FALSE(target.found);
    }
}

TEST_F(ResolveUrlTest, VirtualFolderPaths)
{
    const Expectation cases[] = {
        {"/photos", TargetKind::Directory, "photos"},
        {"/photos/", TargetKind::Directory, "photos"},
        {"/PHOTOS//", TargetKind::Directory, "photos"},
        {"/Photos/sub", TargetKind::Directory, "photos/sub"},
        {"/photos/a.jpg", TargetKind::File, "photos/a.jpg"},
        {"/PHOTOS/a.jpg", TargetKind::File, "photos/a.jpg"},
        {"/photos\\a.jpg", TargetKind::File, "photos/a.jpg"},
        {"\\photos\\sub\\deep.txt", TargetKind::File, "photos/sub/deep.txt"},
        {"/photos%2Fsub%5Cdeep.txt", TargetKind::File, "photos/sub/deep.txt"},
        {"/photos/%41.jpg", TargetKind::File, "photos/A.jpg"},
        {"/photos/%61.jpg", TargetKind::File, "photos/a.jpg"},
        {"/photos/%C3%A9t%C3%A9.txt", TargetKind::File, "photos/été.txt"},
        {"/photos/été.txt", TargetKind::File, "photos/été.txt"},
        {"/photos/a.jpg ", TargetKind::File, "photos/a.jpg"},
        {"/photos/missing.jpg", TargetKind::Unresolved, ""},
        {"/photos/a.JPG", TargetKind::Unresolved, ""},  // file names keep their case on disk
        {"/nofolder/a.jpg", TargetKind::Unresolved, ""},
    };
    for (const Expectation& e : cases) ExpectResolves(home.path(), e);
}

TEST_F(ResolveUrlTest, FillsTheTargetsTextsAndEntry)
{
    ResolvedTarget target = ResolveUrl("/Photos/sub/deep.txt");
    EXPECT_EQ(target.folder_name, "Photos");
    EXPECT_EQ(target.rest, "sub/deep.txt");
    EXPECT_EQ(target.last_element, "deep.txt");
    EXPECT_EQ(target.title, "Holiday pictures");
    EXPECT_EQ(target.entry.name, "deep.txt");
    EXPECT_EQ(target.entry.size, 4u);
    EXPECT_EQ(target.entity_tag, EntityTag(target.entry));

    target = ResolveUrl("/photos//a.jpg");
    EXPECT_EQ(target.rest, "a.jpg");

    target = ResolveUrl("/photos");
    EXPECT_EQ(target.rest, "");
    EXPECT_EQ(target.last_element, "photos");
    EXPECT_TRUE(target.entry.directory);

    // The description titles a folder even when the path in it is not found.
    target = ResolveUrl("/photos/missing");
    EXPECT_FALSE(target.found);
    EXPECT_EQ(target.title, "Holiday pictures");
}

TEST_F(ResolveUrlTest, LengthLimitsOfTheFolderNameAndTheRest)
{
    const std::string name48(48, 'f');
    const std::string name49(49, 'g');
    for (const std::string& name : {name48, name49}) {
        FolderSettings folder;
        folder.path = photos.string();
        ASSERT_TRUE(WriteFolder(name, folder));
    }
    EXPECT_EQ(ResolveUrl("/" + name48).kind, TargetKind::Directory);
    EXPECT_EQ(ResolveUrl("/" + name49).kind, TargetKind::Unresolved);

    const std::string rest256 = "sub/" + std::string(252, 'r');
    const std::string rest257 = "sub/" + std::string(253, 'r');
    WriteFile(photos / rest256, "256");
    WriteFile(photos / rest257, "257");
    EXPECT_EQ(ResolveUrl("/photos/" + rest256).kind, TargetKind::File);
    EXPECT_EQ(ResolveUrl("/photos/" + rest257).kind, TargetKind::Unresolved);
}

TEST_F(ResolveUrlTest, ApplicationsComeBeforeFoldersOfTheSameName)
{
    FolderSettings folder;
    folder.path = photos.string();
    ASSERT_TRUE(WriteFolder("guestbook", folder));
    ASSERT_TRUE(WriteFolder("webchat", folder));

    struct Case {
        std::string url;
        TargetKind kind;
        std::string title;
    };
    const Case cases[] = {
        {"/guestbook", TargetKind::Guestbook, "You can drop a message here"},
        {"/GUESTBOOK/anything/else", TargetKind::Guestbook, "You can drop a message here"},
        {"/Webchat", TargetKind::Webchat, "The Chat Room"},
        {"/webcommunity/members", TargetKind::WebCommunity, "Web Community Members"},
        {"/extension/run.js", TargetKind::Extension, ""},
    };
    for (const Case& c : cases) {
        const ResolvedTarget target = ResolveUrl(c.url);
        EXPECT_EQ(target.kind, c.kind) << c.url;
        EXPECT_TRUE(target.found) << c.url;
        EXPECT_EQ(target.title, c.title) << c.url;
    }
}

TEST_F(ResolveUrlTest, ExtensionPathsLieInTheExtensionFolderWhenThereIsOne)
{
    const fs::path programs = home.path() / "programs";
    fs::create_directories(programs);
    ASSERT_TRUE(SetExtensionFolder(programs.string()));
    // Not enabled: no folder to join, so no local path at all.
    EXPECT_EQ(ResolveUrl("/Extension/run.js").local_path, "");
    ASSERT_TRUE(SetExtensionEnabled(true));
    EXPECT_EQ(ResolveUrl("/Extension/run.js").local_path, (programs / "run.js").string());
    EXPECT_EQ(ResolveUrl("/EXTENSION\\tools\\run.js").local_path, (programs / "tools/run.js").string());
    EXPECT_EQ(ResolveUrl("/Extension").local_path, programs.string());
    fs::remove(programs);
    EXPECT_EQ(ResolveUrl("/Extension/run.js").local_path, "");
}

TEST_F(ResolveUrlTest, DynamicFilesResolveOnlyAsTheWholePath)
{
    DynamicFile report;
    report.path = (home.path() / "report-2024.txt").string();
    ASSERT_TRUE(SetDynamicFile("report.txt", report));
    DynamicFile gone;
    gone.path = (home.path() / "gone.txt").string();
    ASSERT_TRUE(SetDynamicFile("gone.txt", gone));

    const Expectation cases[] = {
        {"/report.txt", TargetKind::DynamicFile, "report-2024.txt"},
        {"/REPORT.TXT/", TargetKind::DynamicFile, "report-2024.txt"},
        {"/report.txt/x", TargetKind::Unresolved, ""},
        {"/gone.txt", TargetKind::Unresolved, ""},
    };
    for (const Expectation& e : cases) ExpectResolves(home.path(), e);
    ResolvedTarget target = ResolveUrl("/report.txt");
    EXPECT_EQ(target.folder_name, "report.txt");
    EXPECT_EQ(target.entity_tag, EntityTag(target.entry));

    // A virtual folder of the same name wins.
    FolderSettings folder;
    folder.path = photos.string();
    ASSERT_TRUE(WriteFolder("report.txt", folder));
    EXPECT_EQ(ResolveUrl("/report.txt").kind, TargetKind::Directory);
}

TEST_F(ResolveUrlTest, ThumbnailCacheRequestsResolveToTheDirectorysCache)
{
    WriteFile(photos / "ruvededa.$$$", "top cache");
    WriteFile(photos / "sub" / "ruvededa.$$$", "sub cache");
    const Expectation cases[] = {
        {"/photos/ruvededa.$$$", TargetKind::ThumbnailIndex, "photos/ruvededa.$$$"},
        {"/photos/RUVEDEDA.%24%24%24", TargetKind::ThumbnailIndex, "photos/ruvededa.$$$"},
        {"/photos/sub/ruvededa.$$$", TargetKind::ThumbnailIndex, "photos/sub/ruvededa.$$$"},
        {"/photos/sub/deep.txt/ruvededa.$$$", TargetKind::Unresolved, ""},
    };
    for (const Expectation& e : cases) ExpectResolves(home.path(), e);
    fs::remove(photos / "sub" / "ruvededa.$$$");
    EXPECT_EQ(ResolveUrl("/photos/sub/ruvededa.$$$").kind, TargetKind::Unresolved);
}

TEST_F(ResolveUrlTest, HomePageTypesWithTheirChecks)
{
    WriteFile(home.path() / "index.html", "<html></html>");
    DynamicFile page;
    page.path = (home.path() / "index.html").string();
    ASSERT_TRUE(SetDynamicFile("index.html", page));
    DynamicFile folder_page;
    folder_page.path = photos.string();
    ASSERT_TRUE(SetDynamicFile("folder", folder_page));
    const fs::path programs = home.path() / "programs";
    WriteFile(programs / "home.js", "// home");
    fs::create_directories(programs / "dir.js");
    ASSERT_TRUE(SetExtensionFolder(programs.string()));

    struct Case {
        std::uint32_t type;
        std::string file;
        bool extension_enabled;
        std::string local;
    };
    const std::string html = (home.path() / "index.html").string();
    const Case cases[] = {
        {1, "index.html", false, html},
        {1, "INDEX.HTML", false, html},
        {1, "folder", false, ""},   // a directory is no page
        {1, "missing", false, ""},  // no such dynamic file
        {0, "index.html", false, ""},
        {3, "index.html", false, ""},  // unknown types are the generated page
        {2, "home.js", true, "home.js"},
        {2, "home.js", false, ""},
        {2, "dir.js", true, ""},
        {2, "missing.js", true, ""},
        {2, "index.html", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " file " + c.file);
        ASSERT_TRUE(SetHomePageType(c.type));
        ASSERT_TRUE(SetHomePageFile(c.file));
        ASSERT_TRUE(SetExtensionEnabled(c.extension_enabled));
        const ResolvedTarget target = ResolveUrl("/");
        EXPECT_EQ(target.kind, TargetKind::Home);
        EXPECT_TRUE(target.found);
        EXPECT_EQ(target.local_path, c.local);
    }
}

TEST_F(ResolveUrlTest, NoPathLeadsOutOfItsFolder)
{
    WriteFile(photos / "sub" / "a.jpg", "sub a");
    DynamicFile report;
    report.path = (home.path() / "report-2024.txt").string();
    ASSERT_TRUE(SetDynamicFile("report.txt", report));
    fs::create_directories(home.path() / "programs");
    ASSERT_TRUE(SetExtensionFolder((home.path() / "programs").string()));
    ASSERT_TRUE(SetExtensionEnabled(true));

    const std::string attacks[] = {
        "/photos/../secret.txt",
        "/photos/..\\secret.txt",
        "/photos\\..\\secret.txt",
        "/photos/..%2fsecret.txt",
        "/photos/..%2Fsecret.txt",
        "/photos/..%5csecret.txt",
        "/photos/..%5Csecret.txt",
        "/photos/%2e%2e/secret.txt",
        "/photos/%2E%2E/secret.txt",
        "/photos/%2e./secret.txt",
        "/photos/.%2E/secret.txt",
        "/photos/%2e%2e%2fsecret.txt",
        "/photos%2f%2e%2e%2fsecret.txt",
        "/photos/sub/../../secret.txt",
        "/photos/sub/%2e%2e/%2e%2e/secret.txt",
        "/photos/sub/..",
        "/photos/..",
        "/photos/../",
        "/photos/.",
        "/photos/./a.jpg",
        "/photos/sub/./a.jpg",
        "/photos/%2e/a.jpg",
        "/photos/sub/../a.jpg",
        "/../secret.txt",
        "/..",
        "/.",
        "/%2e%2e/secret.txt",
        "/Extension/../secret.txt",
        "/Extension/..%2f..%2fsecret.txt",
        "/Extension/%2e%2e",
        "/photos/a.jpg%00",
        "/photos/a.jpg%00.png",
        "/photos/%00/a.jpg",
        "/photos%00/a.jpg",
        "/report.txt%00",
        "/%00",
        "%00/",
    };
    for (const std::string& url : attacks) {
        const ResolvedTarget target = ResolveUrl(url);
        EXPECT_FALSE(target.found) << url;
        EXPECT_EQ(target.kind, TargetKind::Unresolved) << url;
        EXPECT_EQ(target.local_path, "") << url;
    }
    // Dots inside names are ordinary names, and a double-encoded dot is a name of its own.
    WriteFile(photos / "..hidden..", "dots");
    WriteFile(photos / "...", "three");
    EXPECT_EQ(ResolveUrl("/photos/..hidden..").kind, TargetKind::File);
    EXPECT_EQ(ResolveUrl("/photos/...").kind, TargetKind::File);
    EXPECT_EQ(ResolveUrl("/photos/%252e%252e/secret.txt").kind, TargetKind::Unresolved);
}

TEST_F(ResolveUrlTest, LinksTheOwnerPlacedInAFolderAreFollowed)
{
    fs::create_symlink(home.path() / "secret.txt", photos / "shared-secret.txt");
    fs::create_symlink(home.path(), photos / "everything");
    const Expectation cases[] = {
        {"/photos/shared-secret.txt", TargetKind::File, "photos/shared-secret.txt"},
        {"/photos/everything/report-2024.txt", TargetKind::File, "photos/everything/report-2024.txt"},
    };
    for (const Expectation& e : cases) ExpectResolves(home.path(), e);
    EXPECT_EQ(ResolveUrl("/photos/shared-secret.txt").entry.size, 20u);
}

TEST_F(ResolveUrlTest, AFolderWithoutAPathDoesNotResolve)
{
    ASSERT_TRUE(SetFolderDescription("empty", "No path stored"));
    EXPECT_EQ(ResolveUrl("/empty").kind, TargetKind::Unresolved);
    ASSERT_TRUE(SetFolderPath("empty", ""));
    EXPECT_EQ(ResolveUrl("/empty").kind, TargetKind::Unresolved);
    EXPECT_EQ(ResolveUrl("/empty/etc/passwd").kind, TargetKind::Unresolved);
}

}  // namespace
}  // namespace vireo::testing
