#include "support/test_home.h"

#include <cstdlib>
#include <string>

namespace vireo::testing {

TestHome::TestHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vireo-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
    ::setenv("HOME", path_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (path_ / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (path_ / ".local/share").c_str(), 1);
}

TestHome::~TestHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vireo::testing
