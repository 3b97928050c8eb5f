#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/unique_fd.h"
#include "content/upload/multipart_parser.h"
#include "content/upload/upload_file_writer.h"

namespace vireo {

// Stores the file parts of one upload in a directory, each in a file of its own. A file is written
// under a hidden temporary name in the same directory and renamed to its own name only once its
// data is complete, so a partial file never shows under the name the visitor chose; an existing file
// of that name is then replaced. Names that are not one plain path element ("", ".", "..", or with
// a "/" or a NUL) are refused, so nothing is ever written outside the directory.
class UploadStore final : public PartSink {
public:
    // Opens the directory; when it cannot be opened every file is refused.
    explicit UploadStore(const std::string& directory);
    // Removes the temporary file of a part that was never ended.
    ~UploadStore() override;
    UploadStore(const UploadStore&) = delete;
    UploadStore& operator=(const UploadStore&) = delete;

    bool BeginFile(std::string_view base_name) override;
    bool Write(std::string_view bytes) override;
    bool EndFile(bool complete) override;

private:
    // Closes and removes the temporary file, if one is open.
    void Discard();

    UniqueFd directory_;
    UniqueFd file_;
    std::optional<FileWriter> writer_;
    std::string temporary_name_;
    std::string final_name_;
};

// Whether a name can be stored as a file of its own in the directory it is posted to.
bool IsStorableName(std::string_view name);

}  // namespace vireo
