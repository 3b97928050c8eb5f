// Message files: their names, the counter, and exclusive creation under concurrent posts.
#include "community/guestbook/message_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

namespace fs = std::filesystem;

constexpr Ipv4Address kSender{192, 168, 1, 20};

class MessageFileTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder); }

    // Creates one file and writes the text into it; its name, or empty when none was created.
    std::string Store(std::string_view text)
    {
        std::optional<UniqueFd> file = CreateMessageFile(folder.string(), kSender);
        if (!file) return {};
        EXPECT_EQ(::write(file->get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
        const std::string link = "/proc/self/fd/" + std::to_string(file->get());
        return fs::read_symlink(link).filename().string();
    }

    TestHome home;
    fs::path folder = home.path() / "book";
};

TEST(MessageFileName, NamesTheAddressAndCounter)
{
    EXPECT_EQ(MessageFileName({10, 0, 0, 1}, 1), "10.0.0.1.txt");
    EXPECT_EQ(MessageFileName({255, 255, 255, 255}, 2), "255.255.255.255(2).txt");
    EXPECT_EQ(MessageFileName({1, 2, 3, 4}, 9999), "1.2.3.4(9999).txt");
}

TEST_F(MessageFileTest, TakesThePlainNameThenNumbers)
{
    EXPECT_EQ(Store("one"), "192.168.1.20.txt");
    EXPECT_EQ(Store("two"), "192.168.1.20(2).txt");
    EXPECT_EQ(Store("three"), "192.168.1.20(3).txt");
    EXPECT_EQ(ReadFile(folder / "192.168.1.20.txt"), "one");
    EXPECT_EQ(ReadFile(folder / "192.168.1.20(2).txt"), "two");
    EXPECT_EQ(ReadFile(folder / "192.168.1.20(3).txt"), "three");
}

TEST_F(MessageFileTest, TakesAFreedPlainNameAgain)
{
    Store("one");
    Store("two");
    fs::remove(folder / "192.168.1.20.txt");
    EXPECT_EQ(Store("again"), "192.168.1.20.txt");
    EXPECT_EQ(Store("next"), "192.168.1.20(3).txt");
}

TEST_F(MessageFileTest, NeverReplacesAStoredMessage)
{
    WriteFile(folder / "192.168.1.20.txt", "kept");
    fs::create_directory(folder / "192.168.1.20(2).txt");
    EXPECT_EQ(Store("new"), "192.168.1.20(3).txt");
    EXPECT_EQ(ReadFile(folder / "192.168.1.20.txt"), "kept");
}

TEST_F(MessageFileTest, StopsAfterTheLastCounter)
{
    WriteFile(folder / "192.168.1.20.txt", "");
    for (int counter = 2; counter <= kLastMessageCounter; ++counter)
        WriteFile(folder / MessageFileName(kSender, counter), "");
    EXPECT_FALSE(CreateMessageFile(folder.string(), kSender));
    EXPECT_EQ(CountEntries(folder), static_cast<std::size_t>(kLastMessageCounter));
}

TEST_F(MessageFileTest, NothingInAMissingFolder)
{
    EXPECT_FALSE(CreateMessageFile((folder / "missing").string(), kSender));
}

TEST_F(MessageFileTest, SimultaneousPostsGetNamesOfTheirOwn)
{
    constexpr int kPosts = 40;
    std::vector<std::thread> threads;
    std::mutex lock;
    std::set<std::string> names;
    for (int i = 0; i < kPosts; ++i) {
        threads.emplace_back([&, i] {
            std::string name = Store("message " + std::to_string(i));
            std::lock_guard guard(lock);
            names.insert(name);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kPosts));
    EXPECT_FALSE(names.contains(""));
    EXPECT_EQ(CountEntries(folder), static_cast<std::size_t>(kPosts));
}

}  // namespace
}  // namespace vireo::testing
