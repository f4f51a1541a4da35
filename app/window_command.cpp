#include "app/window_command.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <clocale>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "lookup/display_flow.h"
#include "store/data_store.h"
#include "ui/frm_vel.h"
#include "ui/quit_after_first_paint.h"

namespace velmaro {

namespace {

constexpr int kUsageOrStartFailed = 2;

// The options of `velmaro` without a verb.
struct WindowOptions {
    bool showHelp = false;
    std::optional<std::string> dataDir;
    // Testing aid: end as soon as the window has been painted once (or a start-up error
    // message has been shown), without waiting for the user.
    bool quitAfterShow = false;
};

std::string WindowHelpText() {
    return R"(Usage: velmaro [--data-dir DIR]
       velmaro card [options] MATRICOLA...   (see velmaro card --help)

Opens the Velmaro Studenti window: type a student's identification number (matricola) and
press Enter or "Visualizza" to see the career card; "Stampa" prints it ("Arial" 10 points,
one page; with no printer installed it is saved as a PDF file you name); "Esci" ends.

Options:
  --data-dir DIR      Read the data files (elenco.dir, esami.dir, velmara.dir, esami.grp,
                      titoli.grp) from DIR. Default: the folder of the velmaro executable.
  --quit-after-show   Testing aid: quit as soon as the window has been shown and painted
                      (or the start-up error has been reported).
  -h, --help          Show this text.

Exit status: 0 after the window was closed; 2 for a usage error or when the data cannot be
loaded (the window then does not appear; the error names the file and the reason).
)";
}

// Parses argv[1...]; an Error carries the usage message.
Result<WindowOptions> ParseWindowOptions(int argc, char* argv[]) {
    WindowOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            options.showHelp = true;
        } else if (argument == "--quit-after-show") {
            options.quitAfterShow = true;
        } else if (argument == "--data-dir") {
            if (i + 1 >= argc) return Error{"", "--data-dir needs a folder"};
            options.dataDir = argv[++i];
        } else if (argument.rfind("--data-dir=", 0) == 0) {
            options.dataDir = argument.substr(std::strlen("--data-dir="));
        } else {
            return Error{"", "unknown argument '" + argument + "'"};
        }
    }
    if (options.dataDir && options.dataDir->empty()) {
        return Error{"", "--data-dir needs a folder"};
    }
    return options;
}

void ReportStartupError(const Error& error, bool quitAfterShow) {
    std::cerr << "velmaro: " << error.Message() << '\n';
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kWindowCaption),
                    QString::fromStdString(error.Message()), QMessageBox::Ok);
    if (quitAfterShow) QTimer::singleShot(0, &box, &QMessageBox::accept);
    box.exec();
}

}  // namespace

int RunWindowCommand(int argc, char* argv[]) {
    const Result<WindowOptions> options = ParseWindowOptions(argc, argv);
    if (!options) {
        std::cerr << "velmaro: " << options.error().reason
                  << "\nUsage: velmaro [--data-dir DIR]\nTry 'velmaro --help' for more "
                     "information.\n";
        return kUsageOrStartFailed;
    }
    if (options->showHelp) {
        std::cout << WindowHelpText();
        return 0;
    }

    // Qt sees only the program name: every argument is the window command's own.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    // Qt has made the environment's LC_NUMERIC the C library's locale: the averages take its
    // decimal separator, and every other number is formatted in "C".
    CardContext context{SystemToday, LocaleDecimalSeparator()};
    std::setlocale(LC_NUMERIC, "C");

    const std::string dataDir =
        options->dataDir ? DataDirOf(*options->dataDir) : ExecutableDataDir();
    FrmVel window(dataDir, std::move(context));
    if (Status loaded = window.Form_Load(); !loaded) {
        ReportStartupError(loaded.error(), options->quitAfterShow);
        return kUsageOrStartFailed;
    }

    QuitAfterFirstPaint quitter;
    if (options->quitAfterShow) window.installEventFilter(&quitter);
    window.show();
    return application.exec();
}

}  // namespace velmaro
