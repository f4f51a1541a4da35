#include "app/command_line.h"

#include <iostream>

#include "base/printable_text.h"
#include "ui/file_name_text.h"

namespace velmaro {

void ReportUsageError(std::ostream& errors, std::string_view what, std::string_view helpCommand) {
    errors << "velmaro: " << PrintableText(what) << "\nTry '" << helpCommand
           << " --help' for more information.\n";
}

QString UsageErrorText(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return QStringLiteral("unknown option '%1%2'")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    if (!text.isEmpty()) text[0] = text[0].toLower();
    return text;
}

QStringList CommandArguments(const QString& program, int argc, char* argv[], int first) {
    QStringList arguments{program};
    for (int i = first; i < argc; ++i)
        arguments << FileNameText(argv[i]);
    return arguments;
}

std::string VersionText() { return std::string("velmaro ") + VELMARO_VERSION + "\n"; }

bool PrintToStandardOutput(std::string_view text) {
    std::cout << text << std::flush;
    if (std::cout) return true;
    std::cerr << "velmaro: standard output: could not be written\n";
    return false;
}

}  // namespace velmaro
