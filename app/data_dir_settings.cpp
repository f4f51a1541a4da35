#include "app/data_dir_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMap>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QtGlobal>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "app/settings_text.h"
#include "base/system_reason.h"
#include "store/data_store.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"

namespace velmaro {

namespace {

const QString kDataDirKey = QStringLiteral("DataDir");
// A folder picked in the window is used before it is kept: failing to keep it costs only the
// next start.
constexpr const char* kNotKept =
    "the folder chosen is used now, but could not be kept in the settings";
// Within a folder of settings: the program's own file, and its organisation's.
const QString kOwnFile = QStringLiteral("/Velmaro/velmaro.conf");
const QString kOrganisationFile = QStringLiteral("/Velmaro.conf");

// The settings files that may hold DataDir, the one that counts first, as Qt reads them: the
// user's (in XDG_CONFIG_HOME, ~/.config by default), the program's own file before its
// organisation's; then the program's own file in each system-wide folder (XDG_CONFIG_DIRS,
// /etc/xdg by default), then the organisation's in each.
QStringList SettingsFiles() {
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    QStringList files;
    for (const QString& name : {kOwnFile, kOrganisationFile}) {
        if (!folders.isEmpty()) files << folders.first() + name;
    }
    for (const QString& name : {kOwnFile, kOrganisationFile}) {
        for (qsizetype i = 1; i < folders.size(); ++i)
            files << folders[i] + name;
    }
    return files;
}

// The user's settings file, where a folder chosen in the window is kept.
QString UserSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kOwnFile;
}

Error UnreadableSettings(const std::string& path, const std::string& why) {
    return Error{path, "the settings file cannot be read (" + why +
                           "), so its DataDir cannot choose the data folder; give one with "
                           "--data-dir or VELMARO_DATA_DIR"};
}

// Why the settings file at path cannot be read; nothing when it can, or is not there. Only a
// plain file is opened: a pipe would make the program wait for a writer.
std::optional<std::string> WhyUnreadable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        return SystemReason(errno);
    }
    if (S_ISDIR(info.st_mode)) return std::string("is a folder");
    if (!S_ISREG(info.st_mode)) return std::string("is a pipe, a socket or a device");
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return SystemReason(errno);
    ::close(descriptor);
    return std::nullopt;
}

// DataDir as a settings file holds it.
struct SettingsEntry {
    std::string folder;
    std::string file;
};

// What DataDir in the settings files says: the folder of the first file that holds the key,
// nothing when none does, or why a file on the way cannot say (it cannot be read, or its
// DataDir is no single name).
Result<std::optional<SettingsEntry>> SettingsDataDir() {
    for (const QString& file : SettingsFiles()) {
        const std::string path = FileNameBytes(file);
        if (const std::optional<std::string> why = WhyUnreadable(path))
            return UnreadableSettings(path, *why);
        const QSettings settings(file, QSettings::IniFormat);
        if (settings.status() == QSettings::AccessError)
            return UnreadableSettings(path, "cannot be read");
        if (!settings.contains(kDataDirKey)) continue;
        const QVariant value = settings.value(kDataDirKey);
        // A comma outside double quotes makes the value a list: a folder whose name holds one,
        // written as it stands, would otherwise be read as no folder at all.
        if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray) {
            return Error{path,
                         "DataDir holds no single folder name (a comma outside double quotes "
                         "makes it a list): write the folder's name between double quotes"};
        }
        return std::optional<SettingsEntry>({FileNameBytes(value.toString()), path});
    }
    return std::optional<SettingsEntry>();
}

// Why the settings file at path could not be saved, in words that name what failed: its
// folder cannot be made, its name is a folder's, the file may not be written, or the folder
// takes no new file of one byte (no right to write, a full disk), with the system's reason.
// Nothing when none of these is so.
std::optional<std::string> WhySettingsUnsaved(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made)
        return "its folder " + folder.string() + " cannot be made (" + SystemReason(made.value()) +
               ")";
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return std::string("the settings file is a folder");
    // A file its owner made read-only is not written over.
    if (::access(path.c_str(), W_OK) != 0 && errno != ENOENT)
        return "the settings file cannot be written (" + SystemReason(errno) + ")";
    std::string probe = (folder / ".velmaro-XXXXXX").string();
    const int descriptor = ::mkstemp(probe.data());
    const auto noNewFile = [&](int error) {
        return "its folder " + folder.string() + " takes no new file (" + SystemReason(error) + ")";
    };
    if (descriptor < 0) return noNewFile(errno);
    const bool written = ::write(descriptor, "\n", 1) == 1 && ::fsync(descriptor) == 0;
    const int error = errno;
    ::close(descriptor);
    ::unlink(probe.c_str());
    if (!written) return noNewFile(error);
    return std::nullopt;
}

// Every key of settings with its value; nothing when Qt found its file unreadable or
// malformed.
std::optional<QMap<QString, QVariant>> ValuesOf(const QSettings& settings) {
    if (settings.status() != QSettings::NoError) return std::nullopt;
    QMap<QString, QVariant> values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// The text of the file of settings with DataDir set to folder and every other line kept as its
// writer wrote it (comments, blank lines, order), where Qt would write the file anew from the
// settings it read. Nothing when the file is missing or empty, or when the edited text would
// not read back as the same settings with DataDir alone changed: Qt then writes it.
std::optional<std::string> EditedSettings(const QSettings& settings, const QString& folder) {
    QFile file(settings.fileName());
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray original = file.readAll();
    if (file.error() != QFileDevice::NoError || original.isEmpty()) return std::nullopt;
    std::optional<QMap<QString, QVariant>> expected = ValuesOf(settings);
    const QTemporaryDir scratch;
    if (!expected || !scratch.isValid()) return std::nullopt;
    expected->insert(kDataDirKey, folder);

    // The line as Qt writes it, with its quoting and escapes, taken from a file Qt wrote.
    const QString written = scratch.filePath(QStringLiteral("written.conf"));
    {
        QSettings settings(written, QSettings::IniFormat);
        settings.setValue(kDataDirKey, folder);
        settings.sync();
        if (settings.status() != QSettings::NoError) return std::nullopt;
    }
    QFile writtenFile(written);
    if (!writtenFile.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray prefix = kDataDirKey.toUtf8() + '=';
    QByteArray keyLine;
    for (const QByteArray& line : writtenFile.readAll().split('\n')) {
        if (line.startsWith(prefix)) keyLine = line.endsWith('\r') ? line.chopped(1) : line;
    }
    if (keyLine.isEmpty()) return std::nullopt;

    const std::string edited = WithGeneralKeyLine(original.toStdString(), kDataDirKey.toStdString(),
                                                  keyLine.toStdString());
    const QString check = scratch.filePath(QStringLiteral("edited.conf"));
    QFile checkFile(check);
    if (!checkFile.open(QIODevice::WriteOnly) ||
        checkFile.write(edited.data(), qint64(edited.size())) != qint64(edited.size()) ||
        !checkFile.flush())
        return std::nullopt;
    checkFile.close();
    if (ValuesOf(QSettings(check, QSettings::IniFormat)) != expected) return std::nullopt;
    return edited;
}

}  // namespace

DataDirSources CurrentDataDirSources(std::optional<std::string> option) {
    DataDirSources sources;
    sources.option = std::move(option);
    if (qEnvironmentVariableIsSet("VELMARO_DATA_DIR"))
        sources.environment = qgetenv("VELMARO_DATA_DIR").toStdString();
    // The settings are read only when they are asked: a folder given otherwise needs nothing
    // of them, not even that they can be read.
    if (!NamesAFolder(sources.option) && !NamesAFolder(sources.environment)) {
        Result<std::optional<SettingsEntry>> settings = SettingsDataDir();
        if (settings && *settings) {
            sources.settings = (*settings)->folder;
            sources.settingsFile = (*settings)->file;
        } else if (!settings) {
            sources.settingsProblem = settings.error();
        }
    }
    sources.executableFolder = ExecutableFolder();
    return sources;
}

Status RememberDataDir(const std::string& folder) {
    // The user's file alone: one elsewhere that cannot be read changes nothing of this one.
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    // Qt would write a file it could not wholly read anew from the lines it could, and its
    // status would then tell nothing of the write: such a file is left as the user wrote it.
    if (settings.status() == QSettings::FormatError) {
        return Error{FileNameBytes(settings.fileName()),
                     std::string(kNotKept) +
                         ": the file holds lines that are no "
                         "settings (a name without \"=\", a \"[\" without \"]\"); correct them"};
    }
    const QString value = FileNameText(folder);
    if (const std::optional<std::string> edited = EditedSettings(settings, value)) {
        OutputFile file(settings.fileName());
        Status kept = file.Open();
        if (kept) kept = file.Write(*edited);
        if (kept) kept = file.Commit();
        if (kept) return Ok();
        const std::string path = FileNameBytes(settings.fileName());
        const std::optional<std::string> why = WhySettingsUnsaved(path);
        return Error{path, std::string(kNotKept) + ": " + (why ? *why : kept.error().reason)};
    }
    settings.setValue(kDataDirKey, value);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        const std::string path = FileNameBytes(settings.fileName());
        const std::optional<std::string> why = WhySettingsUnsaved(path);
        return Error{path, kNotKept + (why ? ": " + *why : std::string())};
    }
    return Ok();
}

}  // namespace velmaro
