// picmill FOLDER 1|0: writes the thumbnail cache of a folder, and with "1" of every folder below it,
// for the server's thumbnail pages. One line per cache written; exit status 0 when every folder was
// written, 1 when one failed, 2 for a wrong command line.
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "base/text_helpers.h"
#include "picmill/cache_writer.h"
#include "picmill/picture_folders.h"
#include "picmill/thumbnail_maker.h"
#include "platform/thumbnail_cache_path.h"

namespace {

using namespace vireo;

// Writes one folder's cache; a folder without pictures loses a cache left from before instead.
bool MillFolder(const PictureFolder& folder)
{
    std::vector<Thumbnail> thumbnails;
    for (const std::string& name : folder.pictures) {
        if (std::optional<Thumbnail> thumbnail = MakeThumbnail(folder.path + '/' + name, name)) {
            thumbnails.push_back(std::move(*thumbnail));
        }
    }
    if (thumbnails.empty()) {
        ::unlink(ThumbnailCacheFileIn(folder.path).c_str());
        return true;
    }
    std::optional<std::string> written = WriteFolderCache(folder.path, thumbnails);
    if (!written) {
        std::cerr << "Cannot write the thumbnails of " << EscapeControlBytes(folder.path, KeptControls::None)
                  << ": " << std::strerror(errno) << std::endl;
        return false;
    }
    std::cout << "Wrote " << thumbnails.size()
              << (thumbnails.size() == 1 ? " thumbnail to " : " thumbnails to ")
              << EscapeControlBytes(*written, KeptControls::None) << std::endl;
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 3 || (std::string_view(argv[2]) != "1" && std::string_view(argv[2]) != "0")) {
        std::cerr << "Usage: picmill FOLDER 1|0   (1: the folders below it as well)" << std::endl;
        return 2;
    }
    QCoreApplication application(argc, argv);
    PrepareImageDecoders();
    bool all_written = true;
    const bool found =
        VisitPictureFolders(argv[1], std::string_view(argv[2]) == "1", IsPictureName,
                            [&](const PictureFolder& folder) { all_written &= MillFolder(folder); });
    if (!found) {
        std::cerr << "Cannot read the folder " << EscapeControlBytes(argv[1], KeptControls::None)
                  << std::endl;
        return 1;
    }
    return all_written ? 0 : 1;
}
