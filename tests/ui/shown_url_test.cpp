// The address the main window shows for the selection.
#include "ui/shown_url.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

const Ipv4Endpoint kSite{{192, 168, 1, 20}, 8080};
const ShownServices kAllOn{true, true, true};

FileListEntry FolderFile(std::string folder, std::string path, bool directory = false)
{
    return {FileListEntry::Kind::FolderFile, {}, std::move(folder), std::move(path), directory};
}

TEST(ShownUrlTest, NothingWhileTheServerIsStopped)
{
    EXPECT_EQ(ShownUrl(false, kSite, {}, kAllOn, {}), "");
}

TEST(ShownUrlTest, SiteAddressAndPort80)
{
    EXPECT_EQ(ShownUrl(true, kSite, {}, kAllOn, {}), "http://192.168.1.20:8080/");
    EXPECT_EQ(ShownUrl(true, {{10, 0, 0, 1}, 80}, {}, kAllOn, {}), "http://10.0.0.1/");
}

TEST(ShownUrlTest, FolderEntries)
{
    const std::string site = "http://h/";
    EXPECT_EQ(FolderEntryUrl(site, FolderEntryKind::SharedFolder, "Photos", {}), "http://h/Photos/");
    EXPECT_EQ(FolderEntryUrl(site, FolderEntryKind::DynamicFiles, "Dynamic Files", kAllOn), "http://h/");
    const struct {
        FolderEntryKind kind;
        std::string_view on;
    } services[] = {{FolderEntryKind::Webchat, "http://h/Webchat/"},
                    {FolderEntryKind::WebCommunity, "http://h/WebCommunity/"},
                    {FolderEntryKind::Extension, "http://h/Extension/"}};
    for (const auto& service : services) {
        EXPECT_EQ(FolderEntryUrl(site, service.kind, "", kAllOn), service.on);
        EXPECT_EQ(FolderEntryUrl(site, service.kind, "", {}), site);  // the service is off
    }
    EXPECT_EQ(KindOfFolderEntry("WEBCHAT"), FolderEntryKind::Webchat);
    EXPECT_EQ(KindOfFolderEntry("dynamic files"), FolderEntryKind::DynamicFiles);
    EXPECT_EQ(KindOfFolderEntry("Webchat2"), FolderEntryKind::SharedFolder);
    EXPECT_EQ(FolderEntryText(FolderEntryKind::WebCommunity), "WebCommunity");
}

TEST(ShownUrlTest, FileEntries)
{
    const std::string site = "http://h/";
    EXPECT_EQ(FileEntryUrl(site, {FileListEntry::Kind::DynamicFile, "notes.txt"}), "http://h/notes.txt");
    EXPECT_EQ(FileEntryUrl(site, {FileListEntry::Kind::ExtensionFile, "run.py"}),
              "http://h/Extension/run.py");
    EXPECT_EQ(FileEntryUrl(site, FolderFile("Music", "a\\b\\c.mp3")), "http://h/Music/a/b/c.mp3");
    EXPECT_EQ(FileEntryUrl(site, FolderFile("Music", "a/sub", true)), "http://h/Music/a/sub/");
}

TEST(ShownUrlTest, TheFocusedListComesFirst)
{
    UrlSelection selection;
    selection.folder_kind = FolderEntryKind::SharedFolder;
    selection.folder_name = "Docs";
    selection.file = FolderFile("Docs", "a b#c%d.txt");
    const std::string file_url = "http://192.168.1.20:8080/Docs/a%20b%23c%25d.txt";
    const std::string folder_url = "http://192.168.1.20:8080/Docs/";
    selection.focus = ListFocus::Neither;
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {}), file_url);
    selection.focus = ListFocus::Files;
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {}), file_url);
    selection.focus = ListFocus::Folders;
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {}), folder_url);
    selection.file.reset();
    selection.focus = ListFocus::Files;
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {}), folder_url);
}

TEST(ShownUrlTest, RouterAddressReplacesTheHostOnlyWhenChosen)
{
    UrlSelection selection;
    selection.folder_kind = FolderEntryKind::SharedFolder;
    selection.folder_name = "Docs";
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {true, true, "203.0.113.9"}),
              "http://203.0.113.9:8080/Docs/");
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {true, false, "203.0.113.9"}),
              "http://192.168.1.20:8080/Docs/");
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {false, true, "203.0.113.9"}),
              "http://192.168.1.20:8080/Docs/");
    EXPECT_EQ(ShownUrl(true, kSite, selection, kAllOn, {true, true, ""}), "http://192.168.1.20:8080/Docs/");
    EXPECT_EQ(WithHost("http://10.0.0.1/a/b", "example.org"), "http://example.org/a/b");
    EXPECT_EQ(WithHost("http://10.0.0.1", "x"), "http://x");
}

}  // namespace
}  // namespace vireo
