// DecodeDynamicFile over any stored bytes: a 532-byte record (path, pattern, real time, use newest,
// a reserved word) or the older form, a bare zero-terminated path. What it reads can be written
// again and reads back the same. The input is the stored value.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "settings/dynamic_files.h"

namespace vireo::fuzz {
namespace {

// The text field of a record holds at most 259 bytes and its zero.
constexpr std::size_t kMaxText = 259;

bool Same(const DynamicFile& a, const DynamicFile& b)
{
    return a.path == b.path && a.pattern == b.pattern && a.real_time == b.real_time &&
           a.use_newest == b.use_newest;
}

}  // namespace
}  // namespace vireo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::span<const std::uint8_t> stored(data, size);
    const DynamicFile file = DecodeDynamicFile(stored);

    // Texts end at their first zero byte and stay inside their field.
    Require(file.path.find('\0') == std::string::npos && file.pattern.find('\0') == std::string::npos);
    const std::string_view bytes = AsText(data, size);
    if (size == kDynamicFileRecordSize) {
        Require(file.path.size() <= kMaxText + 1 && file.pattern.size() <= kMaxText + 1);
        Require(bytes.substr(0, 260).starts_with(file.path) &&
                bytes.substr(260, 260).starts_with(file.pattern));
    } else {
        // The older form: the path alone.
        Require(file.path == bytes.substr(0, bytes.find('\0')) && file.pattern.empty() && !file.real_time &&
                !file.use_newest);
    }

    // Written again, the record reads back as it was (texts cut to what a field holds).
    DynamicFile expected = file;
    expected.path.resize(std::min(expected.path.size(), kMaxText));
    expected.pattern.resize(std::min(expected.pattern.size(), kMaxText));
    const auto record = EncodeDynamicFile(file);
    Require(Same(DecodeDynamicFile(record), expected));
    Require(record.size() == kDynamicFileRecordSize && EncodeDynamicFile(expected) == record);
    return 0;
}
