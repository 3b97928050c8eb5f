#include "settings/account_rules.h"

#include <gtest/gtest.h>

namespace vireo::testing {
namespace {

TEST(AccountRulesTest, NamesOfThreeTo250AndPasswordsOfSixTo250CharactersPass)
{
    struct Case {
        std::string name;
        std::string password;
    };
    const Case good[] = {
        {"bob", "secret"},
        {std::string(250, 'n'), std::string(250, 'p')},
        {"Zoë", "pass:word"},  // characters, not bytes; a colon is fine in a password
        {"a b", "      "},     // the caller has trimmed already: inner blanks count
        {"\u00e9\u00e9\u00e9", "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"},
    };
    for (const Case& c : good) EXPECT_EQ(CheckAccount(c.name, c.password), std::nullopt) << c.name;
}

TEST(AccountRulesTest, RefusesShortLongAndColonNamesAndShortOrLongPasswords)
{
    struct Case {
        std::string name;
        std::string password;
        std::string reason;
    };
    std::string wide;  // 128 two-byte characters
    for (int i = 0; i < 128; ++i) wide += "\u00e9";
    const Case bad[] = {
        {"", "secret", "the user name has fewer than 3 characters"},
        {"bo", "secret", "the user name has fewer than 3 characters"},
        {"\u00e9\u00e9", "secret",
         "the user name has fewer than 3 characters"},  // four bytes, two characters
        {std::string(251, 'n'), "secret", "the user name is longer than 250 characters"},
        {wide, "secret", "the user name is longer than 254 bytes"},  // 128 characters the store cannot hold
        {"bob:", "secret", "the user name may not contain \":\""},
        {"bob", "12345", "the password has fewer than 6 characters"},
        {"bob", "", "the password has fewer than 6 characters"},
        {"bob", std::string(251, 'p'), "the password is longer than 250 characters"},
        {"bob", wide, "the password is longer than 254 bytes"},
        {"bo", "12345", "the user name has fewer than 3 characters"},  // the name is reported first
    };
    for (const Case& c : bad) EXPECT_EQ(CheckAccount(c.name, c.password), c.reason) << c.name;
}

}  // namespace
}  // namespace vireo::testing
