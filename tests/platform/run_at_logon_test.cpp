#include "platform/run_at_logon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/xdg_paths.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

class RunAtLogonTest : public ::testing::Test {
protected:
    std::filesystem::path Entry() const { return home.path() / ".config/autostart/quillmark-vireo.desktop"; }

    void WriteEntry(const std::string& exec, const std::string& extra = "")
    {
        std::filesystem::create_directories(Entry().parent_path());
        std::ofstream(Entry()) << "[Desktop Entry]\nType=Application\nExec=" << exec << "\n" << extra;
    }

    static std::string Program() { return GetProgramPath()->string(); }

    TestHome home;
};

TEST_F(RunAtLogonTest, SettingWritesTheAutostartEntryAndClearingRemovesIt)
{
    EXPECT_FALSE(IsRunAtLogon());
    ASSERT_TRUE(SetRunAtLogon(true));
    EXPECT_TRUE(IsRunAtLogon());
    std::ifstream file(Entry());
    std::stringstream contents;
    contents << file.rdbuf();
    EXPECT_NE(contents.str().find("\nExec=\"" + Program() + "\" auto\n"), std::string::npos)
        << contents.str();
    EXPECT_TRUE(contents.str().starts_with("[Desktop Entry]\n"));

    ASSERT_TRUE(SetRunAtLogon(false));
    EXPECT_FALSE(std::filesystem::exists(Entry()));
    EXPECT_FALSE(IsRunAtLogon());
    EXPECT_TRUE(SetRunAtLogon(false));
}

TEST_F(RunAtLogonTest, OnlyAnEntryForThisProgramCounts)
{
    WriteEntry("\"/opt/other-copy/vireo\" auto");
    EXPECT_FALSE(IsRunAtLogon());
    WriteEntry("\"" + Program() + "\"");
    EXPECT_FALSE(IsRunAtLogon());
    WriteEntry("\"" + Program() + "\" auto", "Hidden=true\n");
    EXPECT_FALSE(IsRunAtLogon());
}

TEST_F(RunAtLogonTest, LetterCaseOfTheCommandDoesNotMatter)
{
    std::string upper = Program();
    std::ranges::transform(upper, upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    WriteEntry("\"" + upper + "\" AUTO");
    EXPECT_TRUE(IsRunAtLogon());
}

}  // namespace
}  // namespace vireo::testing
