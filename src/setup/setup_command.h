#pragma once

// vireo-setup without its dialog:
//   vireo-setup --install [DIR]   a new installation (DIR, else ~/.local/opt/quillmark/vireo)
//   vireo-setup --upgrade         the recorded installation again, every file rewritten
//   vireo-setup --remove [--yes]  the recorded installation removed (--yes: without asking)

#include <QString>
#include <iosfwd>
#include <string>
#include <vector>

namespace vireo::setup {

// Runs the operation the words name with the files of `payload`. Success messages go to `out`,
// refusals and failures to `err`; the question before a removal is asked on `out` and answered on
// `in`. Exit code 0 on success, 1 when refused or failed, 2 for words it does not know.
int RunSetupCommand(const std::vector<std::string>& args, const QString& payload, std::istream& in,
                    std::ostream& out, std::ostream& err);

}  // namespace vireo::setup
