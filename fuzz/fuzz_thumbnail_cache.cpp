// The thumbnail cache reader over any file: the heads it walks and the image it finds always lie
// within the file, a damaged length never makes it allocate or read past the end, and the image it
// returns unscrambles the record's bytes. The input is the whole cache file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "platform/thumbnail_cache_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vireo::fuzz::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vireo;
    using namespace vireo::fuzz;
    const std::string path = (PrivateHome() / "ruvededa.$$$").string();
    WriteFile(path, AsText(data, size));

    ThumbnailCacheReader reader;
    Require(reader.Open(path));
    std::size_t heads = 0;
    std::optional<std::string> first_name;
    while (std::optional<ThumbnailHead> head = reader.Next()) {
        ++heads;
        Require(head->name.size() <= kThumbnailNameBytes && head->name.find('\0') == std::string::npos);
        if (!first_name) first_name = head->name;
    }
    Require(heads <= size / kThumbnailHeadBytes);

    // Find looks for the bare name (after the last "/" or "\"), so only a first name without either
    // is certain to find the first record.
    if (first_name && first_name->find_first_of("/\\") == std::string::npos) {
        // The first record is the first one Find meets under its name.
        std::optional<std::string> image = reader.Find("folder/" + *first_name);
        if (image) {
            Require(image->size() + kThumbnailHeadBytes <= size && image->size() <= kMaxThumbnailBytes);
            ThumbnailHead head = DecodeThumbnailHead(std::span<const unsigned char, kThumbnailHeadBytes>(
                reinterpret_cast<const unsigned char*>(data), kThumbnailHeadBytes));
            std::string scrambled = *image;
            ScrambleThumbnail(scrambled, head.key);
            Require(head.length == image->size() &&
                    scrambled == AsText(data + kThumbnailHeadBytes, image->size()));
        }
    }
    Require(!reader.Find(std::string(300, 'n')));
    return 0;
}
