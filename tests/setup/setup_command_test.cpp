// vireo-setup as a user runs it from a shell: the real program with its payload inside, in a private
// home, as a user who is not root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <tuple>

#include "platform/registry.h"
#include "platform/run_at_logon.h"
#include "platform/tls_certificate.h"
#include "setup/installation.h"
#include "setup/setup_user.h"
#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;
using setup::Outcome;
using setup::OutcomeMessage;

const fs::path kPayload = VIREO_SETUP_PAYLOAD;

std::string Said(Outcome outcome)
{
    return OutcomeMessage(outcome) + "\n";
}

unsigned Mode(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Every file and folder below `top` with its size, time and mode: equal snapshots mean nothing
// was written, made or deleted. Left out are a folder's own time and the database's shared-memory
// index ("-shm"): SQLite writes both whenever the store is merely read.
using Snapshot = std::map<std::string, std::tuple<std::uintmax_t, std::int64_t, unsigned>>;
Snapshot Take(const fs::path& top)
{
    Snapshot snapshot;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top)) {
        if (entry.path().string().ends_with("-shm")) continue;
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        const bool folder = S_ISDIR(info.st_mode);
        snapshot[entry.path().string()] = {
            folder ? 0 : static_cast<std::uintmax_t>(info.st_size),
            folder ? 0 : info.st_mtim.tv_sec * 1000000000ll + info.st_mtim.tv_nsec, info.st_mode};
    }
    return snapshot;
}

class SetupCommandTest : public ::testing::Test {
protected:
    fs::path DataFolder() const { return home.path() / ".local/share"; }
    fs::path MenuEntry() const { return DataFolder() / "applications/quillmark-vireo.desktop"; }
    fs::path DefaultFolder() const { return home.path() / ".local/opt/quillmark/vireo"; }
    // Each icon the payload carries, and where the user's icon theme holds it once installed.
    std::vector<std::pair<fs::path, fs::path>> Icons() const
    {
        std::vector<std::pair<fs::path, fs::path>> icons;
        for (const fs::directory_entry& size : fs::directory_iterator(kPayload / "icons")) {
            for (const fs::directory_entry& icon : fs::directory_iterator(size.path())) {
                icons.emplace_back(icon.path(), DataFolder() / "icons/hicolor" / size.path().filename() /
                                                    "apps" / icon.path().filename());
            }
        }
        return icons;
    }

    // The three files, each equal to what the build made, with its mode, and nothing else there.
    void ExpectInstalledFiles(const fs::path& folder)
    {
        const std::map<std::string, std::pair<fs::path, unsigned>> expected = {
            {"vireo", {kPayload / "vireo", 0755}},
            {"picmill", {kPayload / "picmill", 0755}},
            {"vireo-manual.html", {kPayload.parent_path() / "vireo-manual.html", 0644}},
        };
        std::map<std::string, std::pair<fs::path, unsigned>> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            ASSERT_TRUE(expected.contains(name)) << "left in the folder: " << name;
            EXPECT_EQ(Mode(entry.path()), expected.at(name).second) << name;
            EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(expected.at(name).first)) << name;
            struct stat info {};
            ASSERT_EQ(::stat(entry.path().c_str(), &info), 0);
            EXPECT_EQ(info.st_uid, user.uid()) << name;
        }
        EXPECT_EQ(CountEntries(folder), expected.size());
    }

    std::optional<std::string> RecordedFolder()
    {
        return ReadStringValue(RegistryRoot::LocalMachine, "SOFTWARE\\QUILLMARK\\Vireo", "Installed Folder",
                               4096);
    }

    TestHome home;
    SetupUser user{home.path()};
};

TEST_F(SetupCommandTest, RefusesRootAndPointsToThePackage)
{
    if (!SetupUser::TestRunsAsRoot()) GTEST_SKIP() << "only root is refused";
    for (const std::vector<std::string>& words : {std::vector<std::string>{"--install"},
                                                  {"--install", (home.path() / "v").string()},
                                                  {"--remove", "--yes"}}) {
        std::vector<std::string> command = {VIREO_SETUP_BINARY};
        command.insert(command.end(), words.begin(), words.end());
        const ProgramResult result = RunProgram(command);
        EXPECT_EQ(result.exit_code, 1) << words[0];
        EXPECT_EQ(result.output, setup::RootRefusal() + "\n");
        EXPECT_NE(result.output.find("quillmark-vireo"), std::string::npos);
    }
    EXPECT_EQ(CountEntries(home.path()), 0u);  // no folder, no record, no menu entry
}

TEST_F(SetupCommandTest, InstallsIntoTheFolderAsTypedWithAMenuEntry)
{
    const fs::path folder = home.path() / "apps/Vireo 100% sure";
    const ProgramResult result = user.Setup({"--install", home.path().string() + "//apps//Vireo 100% sure/"});
    ASSERT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, Said(Outcome::Installed));
    ExpectInstalledFiles(folder);

    const ProgramResult valid = RunProgram({"/usr/bin/desktop-file-validate", MenuEntry().string()});
    EXPECT_EQ(valid.exit_code, 0) << "desktop-file-utils installed? " << valid.output;
    EXPECT_EQ(valid.output, "");
    const std::string entry = ReadFile(MenuEntry());
    EXPECT_NE(entry.find("\nName=Vireo\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nComment=Personal Desktop Web Server\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=\"" + home.path().string() + "/apps/Vireo 100%% sure/vireo\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nIcon=quillmark-vireo\n"), std::string::npos) << entry;
    ASSERT_FALSE(Icons().empty());
    for (const auto& [source, installed] : Icons()) {
        EXPECT_TRUE(ReadFile(installed) == ReadFile(source)) << installed;
        EXPECT_EQ(Mode(installed), 0644u) << installed;
    }
    EXPECT_EQ(RecordedFolder(), folder.string());
}

TEST_F(SetupCommandTest, UpgradeRewritesEveryFileAndANewFolderIsRefused)
{
    ProgramResult result = user.Setup({"--install"});
    ASSERT_EQ(result.exit_code, 0) << result.output;
    ExpectInstalledFiles(DefaultFolder());
    WriteFile(DefaultFolder() / "picmill", "damaged");
    ASSERT_EQ(::chmod((DefaultFolder() / "picmill").c_str(), 0600), 0);
    WriteFile(DefaultFolder() / "vireo", "#!/bin/sh\n");
    fs::remove(DefaultFolder() / "vireo-manual.html");

    result = user.Setup({"--upgrade"});
    ASSERT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, Said(Outcome::Installed));
    ExpectInstalledFiles(DefaultFolder());

    result = user.Setup({"--install", (home.path() / "elsewhere").string()});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, setup::AlreadyInstalledMessage(DefaultFolder()) + "\n");
    EXPECT_FALSE(fs::exists(home.path() / "elsewhere"));
    // The same folder again is an upgrade by another name.
    result = user.Setup({"--install", DefaultFolder().string() + "/"});
    EXPECT_EQ(result.exit_code, 0) << result.output;
}

TEST_F(SetupCommandTest, RefusesWhileVireoServesOnTheUsersSettings)
{
    ASSERT_EQ(user.Setup({"--install"}).exit_code, 0);
    WriteFile(DefaultFolder() / "picmill", "changed");
    ChildProcess serve(user.Command(user.vireo_binary(), {"serve", "--port", "0"}));
    const std::optional<std::string> listening = serve.ReadLine();
    ASSERT_TRUE(listening && listening->starts_with("Listening on ")) << listening.value_or("(nothing)");

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"--upgrade"}, {"--remove", "--yes"}}) {
        const ProgramResult result = user.Setup(words);
        EXPECT_EQ(result.exit_code, 1) << words[0];
        EXPECT_EQ(result.output, Said(Outcome::InstanceRunning)) << words[0];
    }
    EXPECT_EQ(ReadFile(DefaultFolder() / "picmill"), "changed");
    EXPECT_TRUE(fs::exists(DefaultFolder() / "vireo"));
    EXPECT_TRUE(fs::exists(MenuEntry()));

    serve.Signal(SIGTERM);
    ASSERT_EQ(serve.WaitForExit(std::chrono::seconds(5)), 0);
    EXPECT_EQ(user.Setup({"--upgrade"}).exit_code, 0);
    ExpectInstalledFiles(DefaultFolder());
}

TEST_F(SetupCommandTest, RemovesEverythingItWroteAndTheSettings)
{
    const fs::path folder = home.path() / "apps/Vireo 100% sure";
    ASSERT_EQ(user.Setup({"--install", folder.string()}).exit_code, 0);
    const fs::path kept_folder = home.path() / "kept";
    ASSERT_EQ(user.Setup({"--install", kept_folder.string()}).exit_code, 1);  // one installation only
    ASSERT_TRUE(SetRunAtLogon(true));
    ASSERT_TRUE(WriteStringValue(RegistryRoot::CurrentUser, "Software\\QUILLMARK\\Vireo\\Settings",
                                 "mainpagetitle", "Holiday pictures"));
    const std::optional<fs::path> store = RegistryDatabasePath(RegistryRoot::CurrentUser);
    ASSERT_TRUE(store);
    const auto made = EnsureSelfSignedCertificate(store->parent_path());
    ASSERT_TRUE(made) << made.error();

    // Declined: nothing goes.
    ProgramResult result = user.SetupAnswering({"--remove"}, "n");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, setup::RemoveQuestion() + " [y/N] Nothing was removed.\n");
    ExpectInstalledFiles(folder);

    result = user.SetupAnswering({"--remove"}, "y");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, setup::RemoveQuestion() + " [y/N] " + Said(Outcome::Removed));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_directory(folder.parent_path()));  // only the installation folder itself goes
    EXPECT_FALSE(fs::exists(MenuEntry()));
    for (const auto& [source, installed] : Icons()) EXPECT_FALSE(fs::exists(installed)) << installed;
    EXPECT_FALSE(fs::exists(home.path() / ".config/autostart/quillmark-vireo.desktop"));
    EXPECT_FALSE(KeyExists(RegistryRoot::CurrentUser, "Software\\QUILLMARK\\Vireo"));
    EXPECT_FALSE(KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\QUILLMARK\\Vireo"));
    EXPECT_FALSE(fs::exists(made->key));
    EXPECT_FALSE(fs::exists(made->certificate));
    EXPECT_FALSE(fs::exists(store->parent_path() / "self-signed.lock"));
}

TEST_F(SetupCommandTest, RemovalLeavesTheFolderWithWhatTheUserPutThere)
{
    ASSERT_EQ(user.Setup({"--install"}).exit_code, 0);
    WriteFile(DefaultFolder() / "notes/todo.txt", "mine");
    const ProgramResult result = user.Setup({"--remove", "--yes"});
    ASSERT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, Said(Outcome::Removed));
    EXPECT_EQ(CountEntries(DefaultFolder()), 1u);
    EXPECT_EQ(ReadFile(DefaultFolder() / "notes/todo.txt"), "mine");
}

TEST_F(SetupCommandTest, RemovalWithoutAnInstallationTouchesNothing)
{
    // No record at all, though the default folder holds a server and the user has settings.
    WriteFile(DefaultFolder() / "vireo", "a program of its own");
    WriteFile(home.path() / ".config/autostart/quillmark-vireo.desktop", "[Desktop Entry]\n");
    Snapshot before = Take(home.path());
    ProgramResult result = user.Setup({"--remove", "--yes"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, Said(Outcome::NotInstalled));
    EXPECT_EQ(Take(home.path()), before);
    EXPECT_EQ(user.Setup({"--upgrade"}).output, Said(Outcome::NotInstalled));

    // A record whose folder no longer holds the server.
    const fs::path folder = home.path() / "apps";
    fs::remove_all(DefaultFolder());
    ASSERT_EQ(user.Setup({"--install", folder.string()}).exit_code, 0);
    fs::remove(folder / "vireo");
    before = Take(home.path());
    result = user.Setup({"--remove", "--yes"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, Said(Outcome::NotInstalled));
    EXPECT_EQ(Take(home.path()), before);
    EXPECT_TRUE(fs::exists(folder / "picmill"));
}

TEST_F(SetupCommandTest, UnknownWordsShowTheUsage)
{
    for (const std::vector<std::string>& words : {std::vector<std::string>{"--upgrade", "x"},
                                                  {"--remove", "-y"},
                                                  {"--install", "a", "b"},
                                                  {"install"}}) {
        const ProgramResult result = user.Setup(words);
        EXPECT_EQ(result.exit_code, 2) << words[0];
        EXPECT_TRUE(result.output.starts_with("Usage: vireo-setup")) << result.output;
    }
    EXPECT_EQ(CountEntries(home.path()), 0u);
}

}  // namespace
}  // namespace vireo::testing
