// Which files run as programs, and how.
#include "platform/runnable_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/files.h"
#include "support/test_home.h"

namespace vireo::testing {
namespace {

TEST(RunnableProgram, ExecutableFilesRunThemselvesKnownScriptsTheirInterpreterNothingElseRuns)
{
    TestHome home;
    struct Case {
        std::string_view name;
        bool executable;
        std::optional<std::string_view> interpreter;  // "": runs by itself
    };
    const Case cases[] = {
        {"tool", true, ""},
        {"page.py", true, ""},
        {"page.js", false, "node"},
        {"page.PY", false, "python3"},
        {"run.sh", false, "sh"},
        {"report.pl", false, "perl"},
        {"notes.txt", false, std::nullopt},
        {"tool", false, std::nullopt},
        {"script.vbs", false, std::nullopt},
        {"a.sh.txt", false, std::nullopt},
        {"sh", false, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::filesystem::path file = home.path() / (c.executable ? "x" : "plain") / c.name;
        WriteFile(file, "#!/bin/sh\n");
        ::chmod(file.c_str(), c.executable ? 0755 : 0644);
        const std::optional<RunnableProgram> runnable = FindRunnableProgram(file.string());
        ASSERT_EQ(runnable.has_value(), c.interpreter.has_value()) << c.name;
        if (runnable) {
            EXPECT_EQ(runnable->interpreter, *c.interpreter) << c.name;
        }
    }
    // Directories and missing files never run, whatever their names.
    std::filesystem::create_directories(home.path() / "folder.sh");
    EXPECT_FALSE(FindRunnableProgram((home.path() / "folder.sh").string()));
    EXPECT_FALSE(FindRunnableProgram((home.path() / "missing.sh").string()));
    EXPECT_FALSE(FindRunnableProgram(""));
}

}  // namespace
}  // namespace vireo::testing
