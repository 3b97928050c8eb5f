#pragma once

#include <filesystem>

namespace vireo::testing {

// A private, empty home folder for one test: HOME and the XDG folders point into it while the
// object lives, so the settings store, the documents folder and the autostart entry are the
// test's own. The folder is removed again at destruction.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace vireo::testing
