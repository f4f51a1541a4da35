#include "app/data_dir_settings.h"

#include <QSettings>
#include <QString>
#include <QtGlobal>

#include <utility>

#include "store/data_store.h"
#include "ui/file_name_text.h"

namespace velmaro {

namespace {

const QString kDataDirKey = QStringLiteral("DataDir");

// ~/.config/Velmaro/velmaro.conf, falling back to /etc/xdg/Velmaro/velmaro.conf.
QSettings VelmaroSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmaro"),
                     QStringLiteral("velmaro"));
}

}  // namespace

DataDirSources CurrentDataDirSources(std::optional<std::string> option) {
    DataDirSources sources;
    sources.option = std::move(option);
    if (qEnvironmentVariableIsSet("VELMARO_DATA_DIR"))
        sources.environment = qgetenv("VELMARO_DATA_DIR").toStdString();
    const QSettings settings = VelmaroSettings();
    if (settings.contains(kDataDirKey))
        sources.settings = FileNameBytes(settings.value(kDataDirKey).toString());
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
