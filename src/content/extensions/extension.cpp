#include "content/extensions/extension.h"

#include <sys/stat.h>

#include <optional>
#include <string>

#include "content/extensions/exchange_files.h"
#include "content/extensions/program_answer.h"
#include "content/extensions/program_start.h"
#include "content/extensions/request_copy.h"
#include "platform/runnable_program.h"
#include "settings/extension_settings.h"

namespace vireo {
namespace {

bool ExistsAndIsNoDirectory(const std::string& path)
{
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

// Writes the request file before the program starts; the result to return when that failed.
std::optional<int> WriteRequestFile(Exchange& exchange, const ExchangeFiles& files)
{
    const UniqueFd copy = files.Create(ExchangeFile::Request);
    if (!copy) return exchange.SendError(503);
    const std::expected<RequestCopy, int> copied =
        CopyRequest(exchange.connection, exchange.clients, copy.get());
    if (!copied) return copied.error();
    if (*copied == RequestCopy::NotWritten) return exchange.SendError(503);
    return std::nullopt;
}

}  // namespace

int RunExtension(Exchange& exchange, const ExtensionLimits& limits)
{
    const std::optional<std::string> folder = GetExtensionFolder();
    const std::string& path = exchange.target.local_path;
    if (!folder || !ExistsAndIsNoDirectory(path)) return exchange.SendError(404);
    const std::optional<RunnableProgram> runnable = FindRunnableProgram(path);
    if (!runnable) return exchange.SendError(502);

    // Declared before the program, so the program has been reaped before its files are removed.
    const std::optional<ExchangeFiles> files = ExchangeFiles::Begin(*folder);
    if (!files) return exchange.SendError(503);
    if (const std::optional<int> failed = WriteRequestFile(exchange, *files)) return *failed;
    Ipv4Endpoint client;
    exchange.connection.PeerAddress(client);
    std::expected<SpawnedProcess, int> program =
        StartExtensionProgram(path, *runnable, files->identifier(), client);
    if (!program) return exchange.SendError(502);
    return AnswerFromProgram(exchange, *files, *program, limits);
}

int AnswerExtension(Exchange& exchange)
{
    return RunExtension(exchange, ExtensionLimits{});
}

}  // namespace vireo
