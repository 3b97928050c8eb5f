#include "platform/content_types.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/type_names.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

constexpr std::string_view kGlobs2 =
    "# This file was automatically generated\n"
    "80:text/html:*.html\n"
    "60:text/x-python:*.py\n"
    "50:application/xhtml+xml:*.html\n"
    "50:application/x-compressed-tar:*.tar.gz\n"
    "50:application/gzip:*.gz\n"
    "50:image/jpeg:*.jpg\n"
    "50:audio/ogg:*.ogg\n"
    "50:video/ogg:*.ogg\n"
    "50:text/x-c++src:*.C:cs\n"
    "50:text/x-csrc:*.c:cs\n"
    "50:application/x-core:core:cs\n"
    "50:application/x-trash:*~\n"
    "50:application/x-sharedlib:*.so.[0-9]*\n"
    "50:text/x-readme:README*\n";

constexpr std::string_view kMimeTypes =
    "# comment line\n"
    "text/html\t\t\t\t\thtml htm shtml\n"
    "image/png\t\t\t\t\tpng\n"
    "application/x-test-tab\tqqa\tqqb\r\n"
    "application/no-extensions\n";

ContentTypeTable GlobsThenMimeTypes()
{
    ContentTypeTable table;
    table.AddGlobs2(kGlobs2);
    table.AddMimeTypes(kMimeTypes);
    table.AddBuiltIn();
    return table;
}

struct LookupCase {
    std::string_view name;
    std::optional<std::string_view> type;
};

class ContentTypeLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ContentTypeLookupTest, FindsTheTypeOfTheName)
{
    static const ContentTypeTable table = GlobsThenMimeTypes();
    const LookupCase& c = GetParam();
    std::optional<std::string> found = FindContentType(table, c.name);
    if (c.type) {
        EXPECT_EQ(found, std::string(*c.type)) << c.name;
    } else {
        EXPECT_EQ(found, std::nullopt) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ContentTypeLookupTest,
    ::testing::Values(
        // The heaviest glob wins, and of equal weights the first.
        LookupCase{"index.html", "text/html"}, LookupCase{"song.ogg", "audio/ogg"},
        // The key runs from the first dot.
        LookupCase{"a.tar.gz", "application/x-compressed-tar"},
        // An unknown first-dot key falls back to the last dot.
        LookupCase{"my.photo.jpg", "image/jpeg"}, LookupCase{"backup.2024.gz", "application/gzip"},
        // Extensions compare without regard to case, unless the glob is marked case-sensitive.
        LookupCase{"HOLIDAY.JPG", "image/jpeg"}, LookupCase{"main.C", "text/x-c++src"},
        LookupCase{"main.c", "text/x-csrc"},
        // Later sources fill what earlier ones lack; blank-separated lists and CR LF lines work.
        LookupCase{"logo.png", "image/png"}, LookupCase{"a.qqa", "application/x-test-tab"},
        LookupCase{"a.qqb", "application/x-test-tab"}, LookupCase{"page.shtml", "text/html"},
        LookupCase{"style.css", "text/css"},
        // Globs that are not "*.ext" are of no use: a name without a dot is looked up as ".NAME".
        LookupCase{"core", std::nullopt}, LookupCase{"README", std::nullopt},
        LookupCase{"lib.so.1", std::nullopt}, LookupCase{"notes~", std::nullopt},
        LookupCase{"xyz.qqq", std::nullopt}, LookupCase{"trailing.", std::nullopt}));

TEST(ContentTypeTable, FirstSourceKeepsAnExtension)
{
    ContentTypeTable table;
    table.AddMimeTypes("text/x-first\tmd\n");
    table.AddBuiltIn();
    EXPECT_EQ(table.Find(".md"), "text/x-first");
    EXPECT_EQ(table.Find(".MD"), "text/x-first");
}

TEST(ContentTypeTable, BuiltInTypesServeASystemWithoutTables)
{
    ContentTypeTable table;
    table.AddGlobs2("");
    table.AddMimeTypes("");
    table.AddBuiltIn();
    for (auto [name, type] : {std::pair{"a.html", "text/html"},
                              {"a.txt", "text/plain"},
                              {"a.png", "image/png"},
                              {"a.jpeg", "image/jpeg"},
                              {"a.mp3", "audio/mpeg"},
                              {"a.pdf", "application/pdf"},
                              {"a.json", "application/json"},
                              {"a.zip", "application/zip"}}) {
        EXPECT_EQ(FindContentType(table, name), type) << name;
    }
}

// Only names every source agrees on, so the test holds with or without shared-mime-info.
TEST(ContentTypeFor, TypesFromTheSystemTables)
{
    EXPECT_EQ(ContentTypeFor("index.html"), "text/html");
    EXPECT_EQ(ContentTypeFor("INDEX.HTM"), "text/html");
    EXPECT_EQ(ContentTypeFor("logo.png"), "image/png");
    EXPECT_EQ(ContentTypeFor("my.holiday.png"), "image/png");
    EXPECT_EQ(ContentTypeFor("notes.txt"), "text/plain");
}

TEST(ContentTypeFor, UnknownNamesAreSentAsDownloads)
{
    EXPECT_EQ(ContentTypeFor("xyz.qqqzz"), kUnknownContentType);
    EXPECT_EQ(ContentTypeFor("README"), kUnknownContentType);
    EXPECT_EQ(ContentTypeFor(""), kUnknownContentType);
}

TEST(MimeComment, TakesTheUntranslatedCommentWithEntitiesDecoded)
{
    EXPECT_EQ(
        ParseMimeComment("<mime-type type=\"a/b\">\n"
                         "  <comment xml:lang=\"de\">Bild</comment>\n"
                         "  <comment>Tom &amp; Jerry &lt;cartoon&gt; &quot;x&quot; &apos;y&apos;</comment>\n"
                         "</mime-type>"),
        "Tom & Jerry <cartoon> \"x\" 'y'");
    EXPECT_EQ(ParseMimeComment("<comment xml:lang=\"de\">Bild</comment>"), std::nullopt);
    EXPECT_EQ(ParseMimeComment("<comment></comment>"), std::nullopt);
    EXPECT_EQ(ParseMimeComment("<comment>unterminated"), std::nullopt);
}

class TypeNameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        types.AddGlobs2(
            "50:image/x-test:*.tst\n"
            "50:application/x-compressed-tar:*.tar.gz\n"
            "50:text/x-nocomment:*.noc\n"
            "50:application/octet-stream:*.bin\n"
            "50:text/x-readme:*.README\n"
            "50:bad/../../escape:*.esc\n");
        std::filesystem::create_directories(folder / "image");
        std::filesystem::create_directories(folder / "application");
        WriteComment("image/x-test", "Test picture");
        WriteComment("application/x-compressed-tar", "Tar archive (gzip-compressed)");
        WriteComment("application/octet-stream", "unknown");
    }

    void WriteComment(const std::string& type, const std::string& comment)
    {
        std::ofstream(folder / (type + ".xml"))
            << "<?xml version=\"1.0\"?>\n<mime-type type=\"" << type << "\">\n  <comment>" << comment
            << "</comment>\n</mime-type>\n";
    }

    TestHome home;
    std::filesystem::path folder = home.path() / "mime";
    ContentTypeTable types;
    MimeComments comments{folder};
};

TEST_F(TypeNameTest, NamesFromCommentsElseFromTheExtension)
{
    EXPECT_EQ(TypeNameFor("holiday.tst", false, types, comments), "Test picture");
    EXPECT_EQ(TypeNameFor("src.tar.gz", false, types, comments), "Tar archive (gzip-compressed)");
    // A known type without a description file, and an unknown extension, fall back alike.
    EXPECT_EQ(TypeNameFor("x.noc", false, types, comments), "NOC File");
    EXPECT_EQ(TypeNameFor("x.bin", false, types, comments), "BIN File");
    EXPECT_EQ(TypeNameFor("xyz.qqq", false, types, comments), "QQQ File");
    EXPECT_EQ(TypeNameFor("a.b.Mixed", false, types, comments), "MIXED File");
    // A type name is never looked for outside the mime folder.
    EXPECT_EQ(TypeNameFor("x.esc", false, types, comments), "ESC File");
    EXPECT_EQ(TypeNameFor("README", false, types, comments), "");
    EXPECT_EQ(TypeNameFor("photos.tst", true, types, comments), kFolderTypeName);
}

TEST_F(TypeNameTest, EachTypeIsReadOnce)
{
    EXPECT_EQ(comments.Find("image/x-test"), "Test picture");
    std::filesystem::remove(folder / "image/x-test.xml");
    EXPECT_EQ(comments.Find("image/x-test"), "Test picture");
    EXPECT_EQ(comments.Find("image/x-missing"), std::nullopt);
    WriteComment("image/x-missing", "Too late");
    EXPECT_EQ(comments.Find("image/x-missing"), std::nullopt);
}

}  // namespace
}  // namespace vireo::testing
