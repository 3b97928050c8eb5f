#pragma once

// What the extension tests share: a running site with a folder of programs, set as the extension
// folder with extensions on, and the pieces of an answer.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "settings/extension_settings.h"
#include "support/files.h"
#include "support/loopback.h"

namespace vireo::testing {

// The first lines of every shell program of the tests: $x is the exchange's files without their
// suffix ("$x.b" is the body file), $d the folder the program lies in.
inline std::string ShellProgram(std::string_view body)
{
    return "#!/bin/sh\nd=$(dirname \"$0\")\nx=\"$d/$1\"\n" + std::string(body);
}

class ExtensionFolder {
public:
    explicit ExtensionFolder(const std::filesystem::path& home) : path(home / "programs")
    {
        std::filesystem::create_directories(path);
        ready = SetExtensionFolder(path.string()) && SetExtensionEnabled(true);
    }

    // Writes a program file, with the execute permissions when asked.
    std::filesystem::path Add(std::string_view name, std::string_view text, bool executable = false) const
    {
        const std::filesystem::path file = path / name;
        WriteFile(file, text);
        ::chmod(file.c_str(), executable ? 0755 : 0644);
        return file;
    }

    // The exchange files ("TID-MS" and a suffix) in the folder.
    std::vector<std::string> ExchangeFilesLeft() const
    {
        static const std::regex kExchangeName("[0-9]+-[0-9]+\\.[rcbhs]");
        std::vector<std::string> left;
        std::error_code absent;
        for (const auto& entry : std::filesystem::directory_iterator(path, absent)) {
            const std::string name = entry.path().filename().string();
            if (std::regex_match(name, kExchangeName)) left.push_back(name);
        }
        return left;
    }

    const std::filesystem::path path;
    bool ready = false;
};

// Waits until the condition holds or the limit passes; whether it held.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A running site, in its own home, with a folder of programs; the site's routes unless others are
// given.
struct ExtensionSite {
    explicit ExtensionSite(std::span<const Route> routes = {}) : server(routes) {}

    bool ready() const { return server.listening() && programs.ready; }
    // The answer to a request, its date masked.
    std::string Answer(std::string_view request) { return MaskDate(Exchange(server.port(), request)); }
    // Waits for the exchange files to go: the visitor's answer may be complete a moment before the
    // program has ended.
    bool ExchangeFilesGo() const
    {
        return WaitUntil([this] { return programs.ExchangeFilesLeft().empty(); });
    }

    TestServer server;
    ExtensionFolder programs{server.home().path()};
};

// Tests on a running site in which every exchange must leave no file behind.
class ExtensionSiteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(site.ready()); }

    // The answer to a request, its date masked, checking that its exchange files go.
    std::string Answer(std::string_view request)
    {
        const std::string answer = site.Answer(request);
        EXPECT_TRUE(site.ExchangeFilesGo()) << request;
        return answer;
    }

    ExtensionSite site;
    TestServer& server = site.server;
    const ExtensionFolder& programs = site.programs;
};

inline std::string Get(std::string_view target, std::string_view method = "GET")
{
    return std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: x\r\n\r\n";
}

inline std::string StatusLineOf(const std::string& answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

inline std::string BodyOf(const std::string& answer)
{
    const std::size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

// The data of a chunked body; "malformed" when the framing is broken or the last chunk is missing.
inline std::string Unchunk(std::string_view body)
{
    std::string data;
    for (;;) {
        const std::size_t line_end = body.find("\r\n");
        if (line_end == std::string_view::npos) return "malformed";
        const std::size_t size = std::stoul(std::string(body.substr(0, line_end)), nullptr, 16);
        body.remove_prefix(line_end + 2);
        if (size == 0) return body == "\r\n" ? data : "malformed";
        if (body.size() < size + 2 || body.substr(size, 2) != "\r\n") return "malformed";
        data.append(body.substr(0, size));
        body.remove_prefix(size + 2);
    }
}

}  // namespace vireo::testing
