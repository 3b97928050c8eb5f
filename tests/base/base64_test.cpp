#include "base/base64.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

TEST(Base64DecodeTest, DecodesWholeGroupsByTheStrictRules)
{
    struct Case {
        std::string_view text;
        std::optional<std::string> decoded;
    };
    const Case cases[] = {
        {"QWxhZGRpbjpvcGVuIHNlc2FtZQ==", "Aladdin:open sesame"},
        {"YWI6Y2Q=", "ab:cd"},
        {"QQ==", "A"},
        {"QUI=", "AB"},
        {"QQ=C", "A"},      // a padded third place drops the third byte too
        {"QUJDRA", "ABC"},  // the partial last group is ignored
        {"QUJ", ""},
        {"====QUJD", "ABC"},  // a group beginning with "=" is skipped
        {std::string_view("QUJD\0EFC", 8), std::nullopt},
        {"QQBD", "A"},  // a decoded zero byte ends the text
        {"", std::nullopt},
        {"QU JD", std::nullopt},
        {"QUJD\r\nRA==", std::nullopt},
        {"QU-D", std::nullopt},
        {"QUJ\xc3\xa9", std::nullopt},
        {"QUJD=\xc3\xa9"
         "A",
         std::nullopt},  // high bytes fail even in a group that would be skipped
        {"+/+/", "\xfb\xff\xbf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Base64Decode(c.text), c.decoded) << c.text;
    }
}

}  // namespace
}  // namespace vireo
