#include "app/window_command.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/card_run.h"
#include "app/command_line.h"
#include "app/data_dir_settings.h"
#include "app/data_dir_startup.h"
#include "base/printable_text.h"
#include "base/system_environment.h"
#include "lookup/display_flow.h"
#include "ui/card_font_check.h"
#include "ui/file_name_text.h"
#include "ui/frm_vel.h"
#include "ui/italian_message.h"
#include "ui/message_box.h"
#include "ui/qt_text_metrics.h"
#include "ui/qt_translations.h"
#include "ui/quit_after_first_paint.h"
#include "ui/window_caption.h"

namespace velmaro {

namespace {

// The options of `velmaro` without a verb.
struct WindowOptions {
    bool showHelp = false;
    bool showVersion = false;
    std::optional<std::string> dataDir;
    std::optional<std::string> matricola;  // displayed as soon as the window opens
    // Testing aid, left out of --help: end as soon as the window has been painted once (or a
    // start-up error message has been shown), without waiting for the user.
    bool quitAfterShow = false;
};

std::string WindowHelpText() {
    return R"(Usage: velmaro [--data-dir DIR] [MATRICOLA]
       velmaro card [options] MATRICOLA...   (see 'velmaro card --help')
       velmaro check [--data-dir DIR] [--format text|json] [--today YYYY-MM-DD]
                                             (see 'velmaro check --help')

Opens the Velmaro Studenti window. Type a student's identification number
(matricola) and press Enter or "Visualizza" to see the career card; "Stampa"
prints it ("Arial" 10 points, one page; with no printer installed it is saved
as a PDF file you name); "Esci" ends. The box holds 5193 when the window opens;
given a MATRICOLA, it holds that number and its card is displayed.

Keys: Ctrl+P print dialog, Ctrl+Shift+P print preview, Ctrl++ / Ctrl+- / Ctrl+0
zoom, Esc empties the box; right click (or the Menu key) on the card prints,
previews, saves or copies it.

Options:
  --data-dir DIR  Read the data files (elenco.dir, esami.dir, velmara.dir,
                  esami.grp, titoli.grp) from DIR.
  --version       Show the version and exit.
  -h, --help      Show this text and exit.

The data folder is the first of: --data-dir; the environment variable
VELMARO_DATA_DIR; the DataDir key of ~/.config/Velmaro/velmaro.conf (or of
/etc/xdg/Velmaro/velmaro.conf); the folder of the velmaro executable. When the
data cannot be loaded, the window offers to choose another folder and then
remembers it in ~/.config/Velmaro/velmaro.conf.

Exit status: 0 after the window was closed; 2 for a usage error, when no
display can be opened, when no font draws the card's letters, when the data
cannot be loaded and no other folder was chosen, or when this text cannot be
written.
)";
}

// Every option of the window command, registered on one parser.
struct WindowOptionNames {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, {}};
    QCommandLineOption version{QStringLiteral("version"), {}};
    QCommandLineOption dataDir{QStringLiteral("data-dir"), {}, QStringLiteral("DIR")};
    // The window closes as soon as it has been shown (tests, benchmarks).
    QCommandLineOption quitAfterShow = HiddenFromHelp({QStringLiteral("quit-after-show"), {}});

    static QCommandLineOption HiddenFromHelp(QCommandLineOption option) {
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        return option;
    }
    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({help, version, dataDir, quitAfterShow});
    }
};

// The usage error of more than one number given to the window. A command given after an option
// (velmaro --data-dir d card 5193) or mistyped (velmaro cards 5193) reads as one more number:
// said as what it likely is.
std::string TooManyNumbersText(const QStringList& numbers) {
    for (const QString& command : {QStringLiteral("card"), QStringLiteral("check")}) {
        if (numbers.contains(command)) {
            return "'" + command.toStdString() + "' comes first, its options after it: velmaro " +
                   command.toStdString() + " [options]";
        }
    }
    std::string text = "only one MATRICOLA may be given";
    if (const std::string first = Utf8Text(FileNameBytes(numbers.front()));
        first.find_first_of("0123456789") == std::string::npos) {
        text += " ('" + first + "' is no command: velmaro card, velmaro check)";
    }
    return text;
}

// Parses argv[1...]; an Error carries the usage message.
Result<WindowOptions> ParseWindowOptions(int argc, char* argv[]) {
    QCommandLineParser parser;
    const WindowOptionNames names;
    names.AddTo(parser);
    const auto& [help, version, dataDir, quitAfterShow] = names;
    const QStringList arguments = CommandArguments(QStringLiteral("velmaro"), argc, argv, 1);
    if (!parser.parse(arguments))
        return Error{"", FileNameBytes(UsageErrorText(parser, arguments, true))};

    WindowOptions options;
    options.showHelp = parser.isSet(help);
    options.showVersion = parser.isSet(version);
    options.quitAfterShow = parser.isSet(quitAfterShow);
    VELMARO_TRY(RefuseRepeatedOptions(parser, {&dataDir}));
    VELMARO_TRY(ReadNamedOption(parser, dataDir, "--data-dir needs a folder", options.dataDir));
    const QStringList numbers = parser.positionalArguments();
    if (numbers.size() > 1) return Error{"", TooManyNumbersText(numbers)};
    if (!numbers.isEmpty()) options.matricola = Utf8Text(FileNameBytes(numbers.front()));
    return options;
}

// Writes error to standard error, and returns it in Italian as the text of a box; in both,
// control characters are escaped.
QString ShownMessage(const Error& error) {
    std::cerr << "velmaro: " << PrintableText(error.Message()) << '\n';
    return QString::fromStdString(PrintableText(ItalianMessage(error)));
}

// The start-up error box with "Scegli cartella…", the folder dialog and the settings file.
class WindowStartupPrompt final : public StartupPrompt {
  public:
    explicit WindowStartupPrompt(bool quitAfterShow) : quitAfterShow_(quitAfterShow) {}

    std::optional<std::string> AskForFolder(const Error& error) override {
        QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kWindowCaption),
                        ShownMessage(error));
        box.setTextFormat(Qt::PlainText);
        KeepCaptionInSight(box);
        QPushButton* choose =
            box.addButton(QStringLiteral("Scegli cartella…"), QMessageBox::ActionRole);
        // Enter, Esc and closing the box end the program, as "Esci" does.
        QPushButton* exit = box.addButton(QStringLiteral("Esci"), QMessageBox::RejectRole);
        box.setDefaultButton(exit);
        box.setEscapeButton(exit);
        if (quitAfterShow_) QTimer::singleShot(0, &box, &QMessageBox::accept);
        box.exec();
        if (box.clickedButton() != choose) return std::nullopt;
        const QString folder =
            QFileDialog::getExistingDirectory(nullptr, DialogTitle("scegli la cartella dei dati"));
        if (folder.isEmpty()) return std::nullopt;
        return FileNameBytes(folder);
    }

    Status Remember(const std::string& folder) override { return RememberDataDir(folder); }

    void Warn(const Error& error) override { WarnAll({error}); }

    // One box for all of errors, a paragraph each, rather than a box after another.
    void WarnAll(const std::vector<Error>& errors) {
        if (errors.empty()) return;
        QStringList paragraphs;
        for (const Error& error : errors)
            paragraphs << ShownMessage(error);
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kWindowCaption),
                        paragraphs.join(QStringLiteral("\n\n")), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        KeepCaptionInSight(box);
        if (quitAfterShow_) QTimer::singleShot(0, &box, &QMessageBox::accept);
        box.exec();
    }

  private:
    bool quitAfterShow_;
};

// Runs act from the event loop once window is first shown on the screen, in the place a
// window manager gives it.
class OnceExposed final : public QObject {
  public:
    OnceExposed(QWindow& window, std::function<void()> act) : act_(std::move(act)) {
        if (window.isExposed()) {
            QTimer::singleShot(0, this, act_);
        } else {
            window.installEventFilter(this);
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, act_);
        }
        return false;
    }

  private:
    std::function<void()> act_;
};

// The first of Qt's notes while the application starts, trimmed to its first line; kept for
// the message of a start that fails. (Qt's message handler is a plain function: the note has
// to live outside it, and Qt may call it from any thread.) Keeps note when none was kept yet;
// returns the note kept.
std::string FirstStartupNote(const std::string& note = {}) {
    static std::mutex lock;
    static std::string first;
    const std::lock_guard<std::mutex> held(lock);
    if (first.empty()) first = note;
    return first;
}

// While the application starts: Qt's notes about its platform are not for the user, and a
// platform that cannot start ends the program with one line and status 2, instead of Qt's
// advice to reinstall and an abort. The line gives the cause: no display set, or the first
// thing Qt noted ("could not connect to display :1", a plugin or library that is missing).
void StartupQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    const QString firstLine = message.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (type != QtFatalMsg) {
        FirstStartupNote(firstLine.toStdString());
        return;
    }
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") &&
                           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    const std::string firstNote = FirstStartupNote(firstLine.toStdString());
    const std::string cause = noDisplay ? "no display is set (DISPLAY is empty)" : firstNote;
    std::cerr << "velmaro: the window cannot be shown: " << PrintableText(cause)
              << "; 'velmaro card' draws cards without a display\n";
    std::_Exit(kUsageErrorStatus);
}

// Why the display the application opened cannot show the window, if it cannot: Qt paints
// nothing on an X display of fewer than 15 bits of colour (an old X terminal's 8-bit visual),
// where the window would stay black.
std::optional<std::string> DisplayProblem() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || QGuiApplication::platformName() != QLatin1String("xcb") ||
        screen->depth() >= 15)
        return std::nullopt;
    return "the display has " + std::to_string(screen->depth()) +
           "-bit colour, and the window needs 15 or more";
}

}  // namespace

void AddWindowOptions(QCommandLineParser& parser) { WindowOptionNames().AddTo(parser); }

int RunWindowCommand(int argc, char* argv[]) {
    const Result<WindowOptions> options = ParseWindowOptions(argc, argv);
    if (!options) {
        ReportUsageError(std::cerr, options.error().reason, "velmaro");
        return kUsageErrorStatus;
    }
    if (options->showHelp || options->showVersion) {
        return PrintToStandardOutput(options->showHelp ? WindowHelpText() : VersionText())
                   ? 0
                   : kOutputFailedStatus;
    }
    if (const std::optional<std::string> tooLow = WhyLimitsTooLowToDraw()) {
        std::cerr << "velmaro: " << *tooLow << "\n";
        return kUsageErrorStatus;
    }

    // Qt sees only the program name: every argument is the window command's own.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    const QtMessageHandler usual = qInstallMessageHandler(StartupQtMessages);
    QApplication application(qtArgc, qtArgv);
    qInstallMessageHandler(usual);
    if (const std::optional<std::string> problem = DisplayProblem()) {
        std::cerr << "velmaro: the window cannot be shown: " << *problem
                  << "; 'velmaro card' draws cards without a display\n";
        return kUsageErrorStatus;
    }
    if (const std::optional<std::string> problem = CardFontProblem(false)) {
        std::cerr << "velmaro: the window cannot show cards: " << PrintableText(*problem) << "\n";
        return kUsageErrorStatus;
    }
    WindowStartupPrompt prompt(options->quitAfterShow);
    // Said before the window opens, in a box as on standard error: rows may overlap.
    if (const std::optional<std::string> warning = CardFontSubstituteWarning())
        prompt.Warn(Error{"", *warning});
    // The desktop entry the window belongs to (its id on Wayland): its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmaro.Velmaro"));
    // The standard dialogs (print, preview, files) in Italian, as the rest of the window.
    InstallQtTranslations(application);
    const CardContext context{SystemToday, TakeCardDecimalSeparator()};

    std::unique_ptr<FrmVel> window;
    const auto openWindow = [&](const std::string& dataDir) -> Status {
        window = std::make_unique<FrmVel>(dataDir, context);
        Status loaded = window->Form_Load();
        if (!loaded) window.reset();
        return loaded;
    };
    const Result<DataDirChoice> started = LoadWithFolderChoice(
        ChooseDataDir(CurrentDataDirSources(options->dataDir)), openWindow, prompt);
    if (!started) return kUsageErrorStatus;
    // Cards without exams would otherwise be shown, and printed, as if the student had none.
    std::vector<Error> lacking;
    for (const std::string& warning : window->Flow()->DataWarnings())
        lacking.push_back(Error{"", warning});
    prompt.WarnAll(lacking);

    QuitAfterFirstPaint quitter;
    if (options->quitAfterShow) window->installEventFilter(&quitter);
    window->show();
    // A number given at start is looked up once the window stands where the window manager
    // puts it: the box of a number not found would otherwise open at the screen's corner.
    std::optional<OnceExposed> lookup;
    if (options->matricola) {
        const QString number = QString::fromStdString(*options->matricola);
        lookup.emplace(*window->windowHandle(), [&window, number] { window->ShowNumber(number); });
    }
    return application.exec();
}

}  // namespace velmaro
