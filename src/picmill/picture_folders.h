#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One directory and the pictures directly in it, their bare names sorted with ASCII case ignored.
struct PictureFolder {
    std::string path;
    std::vector<std::string> pictures;
};

// Calls `visit` for `root` and, with `include_subfolders`, every directory below it, parents before
// their sub-folders. Hidden names (a leading ".") and the thumbnail cache are passed over; a
// directory reached twice (through a link) is visited once, so link loops end. `is_picture` tells a
// picture by its name. False when `root` is no directory that can be read.
bool VisitPictureFolders(const std::string& root, bool include_subfolders,
                         const std::function<bool(std::string_view name)>& is_picture,
                         const std::function<void(const PictureFolder& folder)>& visit);

}  // namespace vireo
