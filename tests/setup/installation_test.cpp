// The installer's rules without its dialog: typed folders, its messages, and the failures it reports.
#include "setup/installation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;
using setup::Outcome;

TEST(SetupFolderTest, TypedFoldersLoseRepeatedAndTrailingSlashes)
{
    TestHome home;
    const fs::path working = fs::current_path();
    const std::vector<std::pair<std::string, fs::path>> cases = {
        {"/opt/vireo", "/opt/vireo"},
        {"/opt//quillmark///vireo/", "/opt/quillmark/vireo"},
        {"//srv/apps//", "/srv/apps"},
        {"/", "/"},
        {"///", "/"},
        {"/a b/100%/", "/a b/100%"},
        {"~", home.path()},
        {"~/apps//vireo/", home.path() / "apps/vireo"},
        {"~alice/x", working / "~alice/x"},
        {"apps/vireo/", working / "apps/vireo"},
        {"", ""},
    };
    for (const auto& [typed, expected] : cases) EXPECT_EQ(setup::NormalizeFolder(typed), expected) << typed;
    EXPECT_EQ(setup::DefaultInstallFolder(), home.path() / ".local/opt/quillmark/vireo");
}

TEST(SetupMessagesTest, SayWhatTheOriginalSays)
{
    EXPECT_EQ(setup::OutcomeMessage(Outcome::InstanceRunning),
              "An instance of Vireo is running.\nPlease shutdown the server, close the application, then try "
              "again.");
    EXPECT_EQ(setup::OutcomeMessage(Outcome::CannotCreateFolder), "Can not create folder.");
    EXPECT_EQ(setup::OutcomeMessage(Outcome::CopyFailed), "Copy file faild.");
    EXPECT_EQ(setup::OutcomeMessage(Outcome::Installed),
              "Setup completed.\n\nYou can find a link to Vireo in the [Programs.Quillmark] group.\n\n"
              "Thank you for using our product.");
    EXPECT_EQ(setup::RemoveQuestion(), "Are you sure you want to remove Vireo from your computer?");
    EXPECT_EQ(setup::OutcomeMessage(Outcome::Removed), "Vireo has been removed.");
    EXPECT_EQ(setup::OutcomeMessage(Outcome::CannotDelete),
              "Can not delete file. If the program is running, please close it try again.");
}

TEST(SetupInstallTest, OnlyAMissingServerProgramFailsTheInstallation)
{
    TestHome home;
    const fs::path payload = home.path() / "payload";
    WriteFile(payload / "picmill", "thumbnails");
    const fs::path folder = home.path() / "vireo";
    EXPECT_EQ(setup::Install(folder, QString::fromStdString(payload.string())), Outcome::CopyFailed);
    EXPECT_EQ(ReadFile(folder / "picmill"), "thumbnails");  // written before the server, in order
    EXPECT_EQ(CountEntries(folder), 1u);                    // no temporary file left behind
    EXPECT_FALSE(setup::FindInstallation());
    EXPECT_FALSE(fs::exists(home.path() / ".local/share/applications"));

    // With the server but without the other two, it is installed.
    fs::remove(payload / "picmill");
    WriteFile(payload / "vireo", "server");
    EXPECT_EQ(setup::Install(folder, QString::fromStdString(payload.string())), Outcome::Installed);
    EXPECT_EQ(setup::FindInstallation(), folder);
    EXPECT_EQ(ReadFile(folder / "vireo"), "server");
}

}  // namespace
}  // namespace vireo::testing
