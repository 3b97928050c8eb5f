#include "settings/dynamic_file_rules.h"

#include <gtest/gtest.h>

#include "settings/folder_name.h"

namespace vireo::testing {
namespace {

TEST(DynamicFileRulesTest, DisplayNameMustWorkAsTheFirstElementOfAUrl)
{
    for (std::string_view good : {"report.txt", "a=b?c", "Webchat2", "...", "n"}) {
        EXPECT_FALSE(CheckDisplayName(good)) << good;
    }
    EXPECT_FALSE(CheckDisplayName(std::string(48, 'n')));

    struct Case {
        std::string name;
        std::string reason;
    };
    const Case cases[] = {
        {"", "the display name is empty"},
        {"a/b", "the display name may not contain / or \\"},
        {"a\\b", "the display name may not contain / or \\"},
        {".", "the display name may not be \".\" or \"..\""},
        {"..", "the display name may not be \".\" or \"..\""},
        {"WEBCHAT", "the display name \"WEBCHAT\" is reserved for a built-in page"},
        {"guestbook", "the display name \"guestbook\" is reserved for a built-in page"},
        {"webcommunity", "the display name \"webcommunity\" is reserved for a built-in page"},
        {"Extension", "the display name \"Extension\" is reserved for a built-in page"},
        {std::string(49, 'n'), "the display name \"" + std::string(49, 'n') + "\" is longer than 48 bytes"},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckDisplayName(c.name), c.reason) << c.name;
}

TEST(DynamicFileRulesTest, BuiltInPageNamesIgnoreAsciiCaseOnly)
{
    EXPECT_TRUE(IsBuiltInPageName("eXtEnSiOn"));
    EXPECT_FALSE(IsBuiltInPageName("Extension "));
    EXPECT_FALSE(IsBuiltInPageName("Guest"));
    EXPECT_FALSE(IsBuiltInPageName(""));
}

}  // namespace
}  // namespace vireo::testing
