#include "picmill/picture_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "base/ascii_case.h"
#include "base/unique_dir.h"
#include "platform/thumbnail_cache_path.h"

namespace vireo {
namespace {

using DirectoryId = std::pair<dev_t, ino_t>;

// Names that differ only in case keep one order too, by their bytes.
bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    const int order = CompareIgnoreCase(a, b);
    return order != 0 ? order < 0 : a < b;
}

class Walker {
public:
    Walker(bool include_subfolders, const std::function<bool(std::string_view)>& is_picture,
           const std::function<void(const PictureFolder&)>& visit)
        : include_subfolders_(include_subfolders), is_picture_(is_picture), visit_(visit)
    {
    }

    bool Walk(const std::string& path)
    {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
        if (!visited_.insert({status.st_dev, status.st_ino}).second) return true;
        UniqueDir directory(::opendir(path.c_str()));
        if (!directory) return false;

        PictureFolder folder{path, {}};
        std::vector<std::string> subfolders;
        while (const dirent* entry = ::readdir(directory.get())) {
            const std::string_view name = entry->d_name;
            if (name.starts_with('.') || EqualsIgnoreCase(name, kThumbnailCacheName)) continue;
            const std::string full = path + '/' + std::string(name);
            // Links are followed: the owner placed them to be part of the folder.
            struct stat entry_status {};
            if (::stat(full.c_str(), &entry_status) != 0) continue;
            if (S_ISDIR(entry_status.st_mode)) {
                subfolders.push_back(full);
            } else if (S_ISREG(entry_status.st_mode) && is_picture_(name)) {
                folder.pictures.emplace_back(name);
            }
        }
        directory.reset();
        std::sort(folder.pictures.begin(), folder.pictures.end(), LessIgnoringCase);
        visit_(folder);
        if (include_subfolders_) {
            std::sort(subfolders.begin(), subfolders.end(), LessIgnoringCase);
            for (const std::string& subfolder : subfolders) Walk(subfolder);
        }
        return true;
    }

private:
    bool include_subfolders_;
    const std::function<bool(std::string_view)>& is_picture_;
    const std::function<void(const PictureFolder&)>& visit_;
    std::set<DirectoryId> visited_;
};

}  // namespace

bool VisitPictureFolders(const std::string& root, bool include_subfolders,
                         const std::function<bool(std::string_view name)>& is_picture,
                         const std::function<void(const PictureFolder& folder)>& visit)
{
    return Walker(include_subfolders, is_picture, visit).Walk(root);
}

}  // namespace vireo
