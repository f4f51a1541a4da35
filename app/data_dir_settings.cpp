#include "app/data_dir_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <utility>

#include "store/data_store.h"
#include "ui/file_name_text.h"

namespace velmaro {

namespace {

const QString kDataDirKey = QStringLiteral("DataDir");

// ~/.config/Velmaro/velmaro.conf, falling back to /etc/xdg/Velmaro/velmaro.conf (SystemScope
// alone).
QSettings VelmaroSettings(QSettings::Scope scope = QSettings::UserScope) {
    return QSettings(QSettings::NativeFormat, scope, QStringLiteral("Velmaro"),
                     QStringLiteral("velmaro"));
}

// The settings file that DataDir is read from: the user's when it has the key, else the
// system-wide one.
std::string FileHoldingDataDir() {
    QSettings user = VelmaroSettings();
    user.setFallbacksEnabled(false);
    return FileNameBytes(user.contains(kDataDirKey)
                             ? user.fileName()
                             : VelmaroSettings(QSettings::SystemScope).fileName());
}

// Why the file at path, which exists, cannot be read; nothing when it can or is not there.
std::optional<std::string> WhyUnreadable(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT) return std::nullopt;
        return std::string(std::strerror(errno));
    }
    struct stat info {};
    const bool folder = ::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(descriptor);
    if (folder) return std::string("is a folder");
    return std::nullopt;
}

// The settings file that cannot be read, user's first, and why.
Error UnreadableSettings() {
    const std::string userFile = FileNameBytes(VelmaroSettings().fileName());
    std::string file = userFile;
    std::string why = "cannot be read";
    for (const std::string& path :
         {userFile, FileNameBytes(VelmaroSettings(QSettings::SystemScope).fileName())}) {
        if (const std::optional<std::string> reason = WhyUnreadable(path)) {
            file = path;
            why = *reason;
            break;
        }
    }
    return Error{file, "the settings file cannot be read (" + why +
                           "), so its DataDir cannot choose the data folder; give one with "
                           "--data-dir or VELMARO_DATA_DIR"};
}

}  // namespace

DataDirSources CurrentDataDirSources(std::optional<std::string> option) {
    DataDirSources sources;
    sources.option = std::move(option);
    if (qEnvironmentVariableIsSet("VELMARO_DATA_DIR"))
        sources.environment = qgetenv("VELMARO_DATA_DIR").toStdString();
    const QSettings settings = VelmaroSettings();
    if (settings.status() == QSettings::AccessError) {
        sources.settingsProblem = UnreadableSettings();
    } else if (settings.contains(kDataDirKey)) {
        const QVariant value = settings.value(kDataDirKey);
        // A comma outside double quotes makes the value a list: a folder whose name holds
        // one, written as it stands, would otherwise be read as no folder at all.
        if (value.typeId() == QMetaType::QStringList) {
            const QString written = value.toStringList().join(QStringLiteral(", "));
            sources.settingsProblem =
                Error{FileHoldingDataDir(),
                      "DataDir holds a comma outside double quotes, which makes it a list of "
                      "names; write the folder in quotes: DataDir=\"" +
                          FileNameBytes(written) + "\""};
        } else {
            sources.settings = FileNameBytes(value.toString());
        }
    }
    sources.executableFolder = ExecutableFolder();
    return sources;
}

Status RememberDataDir(const std::string& folder) {
    QSettings settings = VelmaroSettings();
    settings.setValue(kDataDirKey, FileNameText(folder));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        return Error{settings.fileName().toStdString(), "the data folder could not be saved"};
    }
    return Ok();
}

}  // namespace velmaro
