#include "app/log_command.h"

#include <string_view>

#include "base/text_helpers.h"
#include "site/logbook.h"

namespace vireo {

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kBadInput = 2;

// The bounds the logbook window puts on a search text, after its blanks are trimmed.
constexpr std::size_t kMinSearchLength = 3;
constexpr std::size_t kMaxSearchLength = 254;

int BadInput(std::ostream& err, std::string_view message)
{
    err << "vireo log: " << message << "\n";
    return kBadInput;
}

std::string PathText()
{
    std::optional<std::filesystem::path> path = LogbookPath();
    return path ? path->string() : std::string("(no documents folder)");
}

void PrintUsage(std::ostream& out)
{
    out << "Usage: vireo log COMMAND\n"
           "  show        prints the request logbook\n"
           "  find TEXT   prints every record that holds TEXT (letter case matters; at least 3\n"
           "              characters), once for each time it occurs there\n"
           "  reset       empties the logbook\n"
           "The logbook is written while the setting \"enablelog\" is 1.\n";
}

int Show(std::ostream& out, std::ostream& err)
{
    std::optional<std::string> log = ReadLogbook();
    if (!log) {
        err << "vireo log: there is no logbook at " << PathText() << "\n";
        return kSuccess;
    }
    out << *log;
    return kSuccess;
}

int Find(std::string text, std::ostream& out, std::ostream& err)
{
    TrimText(text);
    if (text.size() < kMinSearchLength) return BadInput(err, "find needs a text of at least 3 characters");
    if (text.size() > kMaxSearchLength) return BadInput(err, "find takes a text of at most 254 characters");
    out << ListRecords(ReadLogbook().value_or(""), text);
    return kSuccess;
}

int Reset(std::ostream& err)
{
    if (ResetLogbook()) return kSuccess;
    err << "vireo log: cannot write the logbook " << PathText() << "\n";
    return kFailure;
}

}  // namespace

int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::string action = args.empty() ? "" : args[0];
    if (action.empty() || action == "help" || action == "--help") {
        PrintUsage(out);
        return kSuccess;
    }
    if (action == "show" && args.size() == 1) return Show(out, err);
    if (action == "find" && args.size() == 2) return Find(args[1], out, err);
    if (action == "reset" && args.size() == 1) return Reset(err);
    if (action == "find") return BadInput(err, "find takes one text (quote a text that holds spaces)");
    if (action == "show" || action == "reset") return BadInput(err, action + " takes no arguments");
    return BadInput(err, "unknown command \"" + action + "\" (see vireo log help)");
}

}  // namespace vireo
