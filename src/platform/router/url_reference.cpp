#include "platform/router/url_reference.h"

#include <vector>

namespace vireo {
namespace {

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The length of the scheme and its ":" at the start of an address; 0 when it has none.
std::size_t SchemeLength(std::string_view address)
{
    if (address.empty() || !IsAlpha(address[0])) return 0;
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':') return i + 1;
        if (!IsAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

struct Parts {
    std::string_view scheme;     // with its ":"
    std::string_view authority;  // with its leading "//"; empty when there is none
    std::string_view path;
    std::string_view query;     // with its "?"
    std::string_view fragment;  // with its "#"
};

Parts Split(std::string_view address)
{
    Parts parts;
    parts.scheme = address.substr(0, SchemeLength(address));
    address.remove_prefix(parts.scheme.size());
    if (const std::size_t hash = address.find('#'); hash != std::string_view::npos) {
        parts.fragment = address.substr(hash);
        address = address.substr(0, hash);
    }
    if (const std::size_t question = address.find('?'); question != std::string_view::npos) {
        parts.query = address.substr(question);
        address = address.substr(0, question);
    }
    if (address.starts_with("//")) {
        const std::size_t slash = address.find('/', 2);
        parts.authority = address.substr(0, slash);
        address.remove_prefix(parts.authority.size());
    }
    parts.path = address;
    return parts;
}

// The path with its "." and ".." elements worked out (RFC 3986, section 5.2.4).
std::string RemoveDotSegments(std::string_view path)
{
    std::vector<std::string_view> kept;
    const bool absolute = path.starts_with('/');
    std::size_t start = absolute ? 1 : 0;
    bool ends_in_directory = false;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        const std::string_view element = path.substr(start, end - start);
        const bool last = slash == std::string_view::npos;
        if (element == "..") {
            if (!kept.empty()) kept.pop_back();
            ends_in_directory = last;
        } else if (element == ".") {
            ends_in_directory = last;
        } else {
            kept.push_back(element);
            ends_in_directory = false;
        }
        start = end + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) out += '/';
        out += kept[i];
    }
    if (ends_in_directory && !out.empty() && !out.ends_with('/')) out += '/';
    return out;
}

// The reference's path set beside the base's last element.
std::string Merge(const Parts& base, std::string_view path)
{
    if (!base.authority.empty() && base.path.empty()) return "/" + std::string(path);
    const std::size_t slash = base.path.rfind('/');
    if (slash == std::string_view::npos) return std::string(path);
    return std::string(base.path.substr(0, slash + 1)) + std::string(path);
}

}  // namespace

std::string ResolveReference(std::string_view base_address, std::string_view reference)
{
    if (SchemeLength(reference) != 0) return std::string(reference);
    const Parts base = Split(base_address);
    const Parts ref = Split(reference);
    std::string authority(base.authority);
    std::string path;
    std::string query(ref.query);
    if (!ref.authority.empty()) {
        authority = ref.authority;
        path = RemoveDotSegments(ref.path);
    } else if (ref.path.empty()) {
        path = base.path;
        if (ref.query.empty()) query = base.query;
    } else if (ref.path.starts_with('/')) {
        path = RemoveDotSegments(ref.path);
    } else {
        path = RemoveDotSegments(Merge(base, ref.path));
    }
    return std::string(base.scheme) + authority + path + query + std::string(ref.fragment);
}

}  // namespace vireo
