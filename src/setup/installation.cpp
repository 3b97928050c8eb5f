#include "setup/installation.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "base/io.h"
#include "base/unique_fd.h"
#include "platform/instance_lock.h"
#include "platform/registry.h"
#include "platform/run_at_logon.h"
#include "platform/tls_certificate.h"
#include "platform/xdg_paths.h"

namespace vireo::setup {
namespace {

// The installer's record (machine-wide on the original system, beside the user's store here) and
// the program's own settings, which removal deletes with it.
constexpr std::string_view kRecordKey = "SOFTWARE\\QUILLMARK\\Vireo";
constexpr std::string_view kRecordValue = "Installed Folder";
constexpr std::string_view kSettingsRoot = "Software\\QUILLMARK\\Vireo";
constexpr std::size_t kFolderCapacity = 4096;

constexpr const char* kServerFile = "vireo";
constexpr const char* kThumbnailFile = "picmill";
constexpr const char* kManualFile = "vireo-manual.html";
constexpr const char* kEntryName = "quillmark-vireo";

QString PayloadPath(const QString& payload, const char* name)
{
    return payload + QLatin1Char('/') + QLatin1String(name);
}

// Replaces `target` with what `fill` writes: first into a new file beside it, made with `mode`
// whatever the umask, then renamed over the old one. A program running from the old file goes on
// running from it, and a reader sees either the whole old file or the whole new one.
bool ReplaceFile(const std::filesystem::path& target, mode_t mode, const std::function<bool(int fd)>& fill)
{
    std::error_code ignored;
    std::filesystem::create_directories(target.parent_path(), ignored);
    std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file) return false;
    const bool written = fill(file.get()) && ::fchmod(file.get(), mode) == 0 && ::fsync(file.get()) == 0 &&
                         ::close(file.release()) == 0;
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

bool CopyFromPayload(const QString& source, const std::filesystem::path& target, mode_t mode)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) return false;
    return ReplaceFile(target, mode, [&input](int fd) {
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const qint64 got = input.read(buffer.data(), static_cast<qint64>(buffer.size()));
            if (got == 0) return true;
            if (got < 0 || !WriteAll(fd, buffer.data(), static_cast<std::size_t>(got))) return false;
        }
    });
}

std::optional<std::filesystem::path> MenuEntryPath()
{
    const std::optional<std::filesystem::path> data = GetDataFolder();
    if (!data) return std::nullopt;
    return *data / "applications" / (std::string(kEntryName) + ".desktop");
}

// Each icon of the payload ("icons/48x48/quillmark-vireo.png") and where the hicolor theme of this
// user keeps it ("$XDG_DATA_HOME/icons/hicolor/48x48/apps/quillmark-vireo.png").
struct IconFile {
    QString source;
    std::filesystem::path target;
};

std::vector<IconFile> PayloadIcons(const QString& payload)
{
    std::vector<IconFile> icons;
    const std::optional<std::filesystem::path> data = GetDataFolder();
    if (!data) return icons;
    const QString folder = payload + QStringLiteral("/icons");
    QDirIterator found(folder, QDir::Files, QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QFileInfo icon(found.next());
        const QString size = icon.dir().dirName();
        icons.push_back({icon.filePath(), *data / "icons/hicolor" / size.toStdString() / "apps" /
                                              icon.fileName().toStdString()});
    }
    return icons;
}

std::string MenuEntryText(const std::filesystem::path& folder)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vireo\n"
           "Comment=Personal Desktop Web Server\n"
           "Exec=" +
           EscapeDesktopValue(QuoteExecProgram(folder / kServerFile)) +
           "\n"
           "Icon=" +
           kEntryName +
           "\n"
           "Terminal=false\n"
           "Categories=Network;FileTransfer;\n"
           "StartupNotify=true\n";
}

// The menu entry and its icons. A menu without them is a nuisance, not a broken installation, so
// failures here are not reported.
void WriteMenuEntry(const std::filesystem::path& folder, const QString& payload)
{
    for (const IconFile& icon : PayloadIcons(payload)) CopyFromPayload(icon.source, icon.target, 0644);
    const std::optional<std::filesystem::path> entry = MenuEntryPath();
    if (!entry) return;
    const std::string text = MenuEntryText(folder);
    ReplaceFile(*entry, 0644, [&text](int fd) { return WriteAll(fd, text.data(), text.size()); });
}

void RemoveMenuEntry(const QString& payload)
{
    std::error_code ignored;
    if (const std::optional<std::filesystem::path> entry = MenuEntryPath())
        std::filesystem::remove(*entry, ignored);
    for (const IconFile& icon : PayloadIcons(payload)) std::filesystem::remove(icon.target, ignored);
}

bool IsFile(const std::filesystem::path& path)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

}  // namespace

std::string OutcomeMessage(Outcome outcome)
{
    switch (outcome) {
        case Outcome::InstanceRunning:
            return "An instance of Vireo is running.\n"
                   "Please shutdown the server, close the application, then try again.";
        case Outcome::CannotCreateFolder:
            return "Can not create folder.";
        case Outcome::CopyFailed:
            return "Copy file faild.";
        case Outcome::Installed:
            return "Setup completed.\n\nYou can find a link to Vireo in the [Programs.Quillmark] group.\n\n"
                   "Thank you for using our product.";
        case Outcome::Removed:
            return "Vireo has been removed.";
        case Outcome::CannotDelete:
            return "Can not delete file. If the program is running, please close it try again.";
        case Outcome::NotInstalled:
            return "Vireo is not installed here: no installation folder is recorded, or it holds no vireo.\n"
                   "Nothing was changed.";
    }
    return {};
}

bool Succeeded(Outcome outcome)
{
    return outcome == Outcome::Installed || outcome == Outcome::Removed;
}

std::string RemoveQuestion()
{
    return "Are you sure you want to remove Vireo from your computer?";
}

std::string RootRefusal()
{
    return "vireo-setup installs Vireo for one user and does not run as root: every file would land in "
           "root's home.\n"
           "To install Vireo for every user of this computer, install the Debian package instead:\n"
           "    sudo apt install ./quillmark-vireo_6.5_*.deb";
}

std::string AlreadyInstalledMessage(const std::filesystem::path& folder)
{
    return "Vireo is already installed in " + folder.string() +
           ".\nUse --upgrade to install it there again, or --remove it first.";
}

std::filesystem::path NormalizeFolder(std::string_view typed)
{
    std::string text(typed);
    if (text.empty()) return {};
    if (text == "~" || text.starts_with("~/")) {
        if (const std::optional<std::filesystem::path> home = GetHomeFolder())
            text = home->string() + text.substr(1);
    }
    std::string folder;
    for (char c : text) {
        if (c == '/' && folder.ends_with('/')) continue;
        folder += c;
    }
    while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
    std::filesystem::path path(folder);
    if (path.is_absolute()) return path;
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    return error ? path : working / path;
}

std::optional<std::filesystem::path> DefaultInstallFolder()
{
    const std::optional<std::filesystem::path> home = GetHomeFolder();
    if (!home) return std::nullopt;
    return *home / ".local/opt/quillmark/vireo";
}

std::optional<std::filesystem::path> FindInstallation()
{
    const std::optional<std::string> folder =
        ReadStringValue(RegistryRoot::LocalMachine, kRecordKey, kRecordValue, kFolderCapacity);
    if (!folder || folder->empty() || !IsFile(std::filesystem::path(*folder) / kServerFile))
        return std::nullopt;
    return std::filesystem::path(*folder);
}

bool VireoRuns()
{
    // A Vireo that runs has made its lock file; without one there is nothing to ask, and asking
    // would leave a lock file behind.
    const std::optional<std::filesystem::path> lock = InstanceLockPath();
    std::error_code ignored;
    if (!lock || !std::filesystem::exists(*lock, ignored)) return false;
    const std::optional<InstanceHolder> holder = FindInstanceHolder();
    if (!holder) return false;
    switch (*holder) {
        case InstanceHolder::Window:
            AskWindowToShow();
            return true;
        case InstanceHolder::Headless:
            return true;
        case InstanceHolder::Unknown:
            return false;
    }
    return false;
}

Outcome Install(const std::filesystem::path& folder, const QString& payload)
{
    if (VireoRuns()) return Outcome::InstanceRunning;
    const std::filesystem::path target = NormalizeFolder(folder.string());
    if (target.empty()) return Outcome::CannotCreateFolder;
    std::error_code error;
    std::filesystem::create_directories(target, error);
    if (!std::filesystem::is_directory(target, error)) return Outcome::CannotCreateFolder;

    // In this order, and only the server program's failure is reported: the other two are extras
    // the server runs without.
    CopyFromPayload(PayloadPath(payload, kThumbnailFile), target / kThumbnailFile, 0755);
    CopyFromPayload(PayloadPath(payload, kManualFile), target / kManualFile, 0644);
    if (!CopyFromPayload(PayloadPath(payload, kServerFile), target / kServerFile, 0755))
        return Outcome::CopyFailed;
    WriteMenuEntry(target, payload);
    WriteStringValue(RegistryRoot::LocalMachine, kRecordKey, kRecordValue, target.string());
    return Outcome::Installed;
}

Outcome Remove(const QString& payload)
{
    if (VireoRuns()) return Outcome::InstanceRunning;
    // Without a recorded folder that holds the server, every path below would be a guess: nothing
    // is removed then, and the settings stay.
    const std::optional<std::filesystem::path> folder = FindInstallation();
    if (!folder) return Outcome::NotInstalled;

    std::error_code ignored;
    std::filesystem::remove(*folder / kServerFile, ignored);
    if (std::filesystem::exists(std::filesystem::symlink_status(*folder / kServerFile, ignored)))
        return Outcome::CannotDelete;
    std::filesystem::remove(*folder / kThumbnailFile, ignored);
    std::filesystem::remove(*folder / kManualFile, ignored);
    // Only an empty folder goes: whatever else the user keeps there stays with it.
    std::filesystem::remove(*folder, ignored);
    RemoveMenuEntry(payload);
    // Left behind, the log-on entry would start a missing program at every log-in.
    SetRunAtLogon(false);
    DeleteKeyTree(RegistryRoot::CurrentUser, kSettingsRoot);
    DeleteKeyTree(RegistryRoot::LocalMachine, kRecordKey);
    // The certificate Vireo made for HTTPS lies beside the settings, its private key with it.
    if (const auto store = RegistryDatabasePath(RegistryRoot::CurrentUser))
        RemoveSelfSignedCertificate(store->parent_path());
    return Outcome::Removed;
}

}  // namespace vireo::setup
