// The command-line conventions of `velmaro` and `velmaro card`, run as the built executable:
// --version, help, the one form of usage errors, -o -, --from and where the data is found.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/command_line.h"
#include "tests/app/managed_display.h"
#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"
#include "tests/support/ops_compare.h"

namespace velmaro::testing {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

using testdata::TempDataDir;

// What a new terminal shows while run(side, name) runs a program on side, its other end, whose
// name is name: read on a thread until the program is gone. answer(terminal, shown, silent) is
// asked first, after each read, and after 10 s without one (silent); it may type on terminal,
// and ends the reading by returning false.
std::string ShownOnTerminal(
    const std::function<void(int side, const QString& name)>& run,
    const std::function<bool(int, const std::string&, bool)>& answer = [](int, const std::string&,
                                                                          bool) { return true; }) {
    int terminal = -1, side = -1;
    std::array<char, 256> name{};
    EXPECT_EQ(::openpty(&terminal, &side, name.data(), nullptr, nullptr), 0);
    std::string shown;
    std::thread reader([&] {
        std::array<char, 4096> buffer{};
        for (bool silent = false; answer(terminal, shown, silent);) {
            pollfd showing{terminal, POLLIN, 0};
            silent = ::poll(&showing, 1, 10000) <= 0;
            if (silent) continue;
            const ssize_t got = ::read(terminal, buffer.data(), buffer.size());
            if (got <= 0) break;
            shown.append(buffer.data(), static_cast<std::size_t>(got));
        }
    });
    run(side, QString(name.data()));
    ::close(side);
    reader.join();
    ::close(terminal);
    return shown;
}

TEST(CommandLine, VersionAndHelpOfBothCommands) {
    for (const QStringList& verb : {QStringList{}, QStringList{"card"}}) {
        const ProcessRun version = RunVelmaro(verb + QStringList{"--version"});
        EXPECT_TRUE(Ended(version, 0, "") && version.out == "velmaro " VELMARO_VERSION "\n");
        const ProcessRun help = RunVelmaro(verb + QStringList{"--help"});
        EXPECT_EQ(help.exitCode, 0);
        for (const std::string& line : Lines(help.out))
            EXPECT_LE(line.size(), 80u) << line;
        EXPECT_THAT(help.out, ::testing::Not(HasSubstr("quit-after-show")));
        // The window's help names the other commands.
        const QStringList options = QStringList{"--data-dir", "--version", "--help"} +
                                    (verb.isEmpty() ? QStringList{"velmaro card", "velmaro check"}
                                                    : QStringList{"--format", "--output", "--from",
                                                                  "--today", "--metrics", "--dpi"});
        for (const QString& option : options)
            EXPECT_THAT(help.out, HasSubstr(option.toStdString())) << verb.join("").toStdString();
    }
}

TEST(CommandLine, EveryUsageErrorHasOneFormAndStatusTwo) {
    QTemporaryDir folder;
    const QString noNumbers = folder.filePath("none.txt"), twoNumbers = folder.filePath("two.txt");
    TempDataDir::WriteFile(noNumbers.toStdString(), "\n\n");
    TempDataDir::WriteFile(twoNumbers.toStdString(), "5193\n50\n");
    // The window's errors, then the card's: of the options as parsed, then of the numbers once
    // --from is read; what each message says is CardOptions.EveryUsageErrorSaysWhatIsWrong's. A
    // number that looks like an option needs "--" before it.
    for (const QStringList& arguments :
         std::vector<QStringList>{{"--bogus"},
                                  {"5193", "50"},
                                  {"--data-dir"},
                                  {"--data-dir="},
                                  {"--data-dir", "/nonexistent", "--data-dir", kSample},
                                  {"card", "-5"},
                                  {"card", "-o"},
                                  {"card", "--data-dir", "", "5193"},
                                  {"card", "--from", noNumbers},
                                  {"card", "-o", folder.filePath("card.png"), "--from", twoNumbers},
                                  {"card", "--format", "png", "-o", "-", "5193", "50"},
                                  {"card", "--format", QString(100000, 'x'), "5193"},
                                  {"check", "--today", QString(100000, '9')}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ProcessRun run = RunVelmaro(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 2u) << run.err;
        // A value of 100,000 characters is repeated by its start.
        EXPECT_TRUE(lines[0].starts_with("velmaro: ") && lines[0].size() > 9u &&
                    lines[0].size() < 1100u)
            << run.err;
        const std::string command = arguments[0] == "card" || arguments[0] == "check"
                                        ? "velmaro " + arguments[0].toStdString()
                                        : "velmaro";
        EXPECT_EQ(lines[1], "Try '" + command + " --help' for more information.");
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
    // A command after an option, or mistyped, is not taken for a second number of the window.
    for (const auto& [arguments, said] :
         {std::pair{QStringList{"--data-dir", kSample, "card", "5193"},
                    "'card' comes first, its options after it: velmaro card [options]"},
          {QStringList{"5193", "check"},
           "'check' comes first, its options after it: velmaro check [options]"},
          {QStringList{"cards", "5193"},
           "only one MATRICOLA may be given ('cards' is no command: velmaro card, velmaro check)"},
          {QStringList{"5193", "50"}, "only one MATRICOLA may be given"}}) {
        EXPECT_TRUE(Ended(
            RunVelmaro(arguments), 2,
            "velmaro: " + std::string(said) + "\nTry 'velmaro --help' for more information.\n"));
    }
}

// A display number no X server of this machine serves (one may run beside the tests).
int UnservedDisplay() {
    // From a number of this process: tests run side by side (and other runs of them) start
    // servers of their own, and would otherwise race for the first free one.
    int unserved = 100 + static_cast<int>(::getpid() % 5000);
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(unserved)) ||
           QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(unserved)))
        ++unserved;
    return unserved;
}

// Without a display to open, the window says so in one line, with the cause, and ends with
// status 2, instead of Qt's advice to reinstall and an abort.
TEST(CommandLine, TheWindowWithoutADisplayIsOneErrorLineWithTheCause) {
    const std::string display = ":" + std::to_string(UnservedDisplay());
    for (const auto& [variable, value, cause] :
         {std::tuple<std::string, std::string, std::string>{"", "",
                                                            "no display is set (DISPLAY is empty)"},
          {"DISPLAY", display, "could not connect to display " + display},
          {"QT_QPA_PLATFORM", "nowhere",
           "Could not find the Qt platform plugin \"nowhere\" in \"\""}}) {
        const QProcessEnvironment environment =
            variable.empty() ? QProcessEnvironment()
                             : Environment({{AsQString(variable), AsQString(value)}});
        EXPECT_TRUE(Ended(RunVelmaro({"--data-dir", kSample, "5193"}, environment), 2,
                          "velmaro: the window cannot be shown: " + cause +
                              "; 'velmaro card' draws cards without a display\n"));
    }
}

// On a real X display the window opens; on one of 8-bit colour, where Qt paints nothing and
// the window would stay black, it says so in one line and ends with status 2.
TEST(CommandLine, TheWindowOpensOnAnXDisplayOfEnoughColours) {
    for (const auto& [depth, exitCode, err] :
         {std::tuple<int, int, std::string>{24, 0, ""},
          {8, 2,
           "velmaro: the window cannot be shown: the display has 8-bit colour, and the window "
           "needs 15 or more; 'velmaro card' draws cards without a display\n"}}) {
        SCOPED_TRACE(depth);
        const int display = UnservedDisplay();
        QProcess server;
        server.start("Xvfb", {QString(":%1").arg(display), "-screen", "0",
                              QString("640x480x%1").arg(depth), "-nolisten", "tcp"});
        if (!server.waitForStarted()) GTEST_SKIP() << "no Xvfb (package xvfb) to run";
        const QString socket = QString("/tmp/.X11-unix/X%1").arg(display);
        for (int waited = 0; waited < 200 && !QFile::exists(socket); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const ProcessRun run = RunVelmaro(
            {"--data-dir", kSample, "--quit-after-show"},
            Environment({{"DISPLAY", QString(":%1").arg(display)}, {"QT_QPA_PLATFORM", "xcb"}}));
        server.terminate();
        server.waitForFinished();
        EXPECT_TRUE(Ended(run, exitCode, err));
    }
}

// A number given at start that is not found is said in a box centred over the window, once a
// window manager has put the window in its place, not at the corner of the screen.
TEST(CommandLine, ANumberNotFoundAtStartIsSaidOverTheWindow) {
    ManagedDisplay display(800, 600);
    if (const auto why = display.Unavailable()) GTEST_SKIP() << *why;
    ASSERT_TRUE(display.Serving())
        << "the X server " << display.Display().toStdString() << " did not answer";
    QProcess window;
    window.setProcessEnvironment(display.ProgramEnvironment());
    window.start(VELMARO_BIN_DIR "/velmaro", {"--data-dir", kSample, "5"});
    // The box (the narrower) and the window, as last seen; the box is shown at its final size
    // and place a moment after its window is made, so the two are looked at until the box
    // stands centred over the window, or the time is out.
    std::vector<QRect> windows;
    const auto centred = [&windows] {
        // Up and down, the box is centred on the window's frame, its title bar with it.
        const QPoint offset = windows[0].center() - windows[1].center();
        return std::abs(offset.x()) <= 20 && std::abs(offset.y()) <= 40;
    };
    static_cast<void>(ManagedDisplay::WaitFor([&] {
        windows = display.VelmaroWindows();
        return windows.size() == 2 && centred();
    }));
    window.kill();
    window.waitForFinished();
    ASSERT_EQ(windows.size(), 2u);
    const QRect& box = windows[0];
    const QRect& main = windows[1];
    EXPECT_TRUE(centred()) << "box " << box.width() << "x" << box.height() << " at " << box.x()
                           << "," << box.y() << "; window " << main.width() << "x" << main.height()
                           << " at " << main.x() << "," << main.y();
}

// Maximized and restored by the window manager, the window gets back the size it had: the
// frame the manager gives back while the window still has the screen's size is no reason to
// keep that size. A card looked up, or cleared, while the window is maximized gives it the
// card's size, or the row of controls', once it is restored.
TEST(CommandLine, AWindowRestoredFromMaximizedGetsItsSizeBack) {
    if (QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "no xdotool (package xdotool) to maximize the window with";
    ManagedDisplay display(1024, 768);
    if (const auto why = display.Unavailable()) GTEST_SKIP() << *why;
    ASSERT_TRUE(display.Serving())
        << "the X server " << display.Display().toStdString() << " did not answer";
    // The window's size with a card and without, as each run first shows it.
    QSize withCard, withoutCard;
    // The number given at start; the keys typed while maximized (none, a number looked up,
    // a number changed, which clears the card); the size the restored window must have.
    const std::tuple<QStringList, QStringList, QSize*> runs[] = {
        {{"5193"}, {}, &withCard},
        {{}, {}, &withoutCard},
        {{"5193"}, {"ctrl+a", "4"}, &withoutCard},
        {{}, {"5", "1", "9", "3", "Return"}, &withCard},
    };
    for (const auto& [numbers, keys, restoredSize] : runs) {
        SCOPED_TRACE((numbers.join(' ') + " then " + keys.join(' ')).toStdString());
        QProcess window;
        window.setProcessEnvironment(display.ProgramEnvironment());
        window.start(VELMARO_BIN_DIR "/velmaro", QStringList{"--data-dir", kSample} + numbers);
        // The window as it stands once its size has held for a while.
        QRect shown;
        int steady = 0;
        const auto settled = [&] {
            const std::vector<QRect> windows = display.VelmaroWindows();
            const QRect now = windows.size() == 1 ? windows[0] : QRect();
            steady = !now.isEmpty() && now == shown ? steady + 1 : 0;
            shown = now;
            return steady >= 10;
        };
        ASSERT_TRUE(ManagedDisplay::WaitFor(settled)) << "the window did not settle";
        (numbers.isEmpty() ? withoutCard : withCard) = shown.size();
        // openbox maximizes and restores a window on a double click on its title bar, which
        // stands above the window's inside. A machine under load may deliver the two clicks
        // too far apart for a double click: then the window stays as it is, and the clicks are
        // given again.
        const auto doubleClickTitle = [&](bool maximized) {
            const auto done = [&] { return settled() && (shown.width() > 900) == maximized; };
            for (int tries = 0; tries < 3; ++tries) {
                const QRect inside = shown;
                display.Asked("xdotool", {"mousemove", QString::number(inside.center().x()),
                                          QString::number(inside.top() - 8), "click", "--repeat",
                                          "2", "--delay", "80", "1"});
                if (ManagedDisplay::WaitFor(done, std::chrono::seconds(10))) return;
            }
        };
        doubleClickTitle(true);
        ASSERT_GT(shown.width(), 900)
            << "not maximized: " << shown.width() << "x" << shown.height();
        for (const QString& key : keys)
            display.Asked("xdotool", {"key", key});
        if (!keys.isEmpty()) ManagedDisplay::WaitFor(settled);
        doubleClickTitle(false);
        window.kill();
        window.waitForFinished();
        EXPECT_EQ(shown.size(), *restoredSize)
            << "restored to " << shown.width() << "x" << shown.height() << ", not "
            << restoredSize->width() << "x" << restoredSize->height();
    }
}

// The window timed from the outside ends after its first paint also when the number it shows
// is not found: the message box opened before the application's loop ran, and it never ended.
TEST(CommandLine, TheWindowTimedFromOutsideEndsAlsoAfterANumberNotFound) {
    const ProcessRun run = RunVelmaro({"--data-dir", kSample, "--quit-after-show", "1"},
                                      Environment({{"QT_QPA_PLATFORM", "offscreen"}}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

// Standard output is written as the cards are drawn, through no temporary file that a run
// ending early could leave behind: none is needed. A runtime folder that cannot be made
// (XDG_RUNTIME_DIR left from another session) is no card's concern: a run that succeeds says
// nothing.
TEST(CommandLine, DashOutputWritesEveryFormatToStandardOutput) {
    QTemporaryDir folder;
    const QString notAFolder = folder.filePath("not-a-folder");
    TempDataDir::WriteFile(notAFolder.toStdString(), "");
    const QProcessEnvironment noTemporaryFolder =
        Environment({{"TMPDIR", notAFolder}, {"XDG_RUNTIME_DIR", notAFolder + "/runtime"}});
    for (const QString format : {"ops", "png", "svg", "pdf"}) {
        const QString path = folder.filePath("card." + format);
        ASSERT_EQ(RunVelmaro(CardOf(kSample, {"-o", path, "5193"})).exitCode, 0);
        const ProcessRun toStdout =
            RunVelmaro(CardOf(kSample, {"--format", format, "-o", "-", "5193"}), noTemporaryFolder);
        ASSERT_TRUE(Ended(toStdout, 0, ""));
        const std::string file = testdata::FileBytes(path.toStdString());
        ASSERT_FALSE(file.empty());
        if (format == "pdf") {
            // A PDF carries its time of creation: the same size and the same frame.
            EXPECT_TRUE(toStdout.out.starts_with("%PDF-") && toStdout.out.ends_with("%%EOF\n"));
            EXPECT_NEAR(double(toStdout.out.size()), double(file.size()), 64);
        } else {
            EXPECT_TRUE(toStdout.out == file) << format.toStdString();
        }
    }
    // A terminal cannot show a png or pdf card: refused before anything reaches it, whether
    // standard output is named "-", by its descriptor's name, or the terminal by its own.
    for (const QString format : {"png", "pdf"}) {
        for (const QString output : {"-", "/dev/stdout", "/dev/fd/1", "the terminal"}) {
            QString named;
            ProcessRun toTerminal;
            const std::string shown = ShownOnTerminal([&](int side, const QString& name) {
                named = output == "the terminal" ? name : output;
                toTerminal = RunVelmaro(CardOf(kSample, {"--format", format, "-o", named, "5193"}),
                                        {}, {}, {}, [side] { ::dup2(side, STDOUT_FILENO); });
            });
            EXPECT_TRUE(
                Ended(toTerminal, 2,
                      "velmaro: " +
                          (output == "-" ? std::string("standard output") : named.toStdString()) +
                          ": a terminal, which cannot show a " + format.toStdString() +
                          " card: give -o FILE, or send it to a program (| lp)\n"));
            EXPECT_EQ(shown, "") << format.toStdString() << " to " << named.toStdString();
        }
    }
    // Without --format, - means the ops recording.
    const ProcessRun ops = RunVelmaro(CardOf(kSample, {"--metrics=fixed", "-o", "-", "5193"}));
    EXPECT_EQ(CardLines(ops.out), std::vector<std::string>{"card \"5193\""});
    // A PDF of numbers none of which is found writes nothing.
    const ProcessRun none = RunVelmaro(CardOf(kSample, {"--format=pdf", "-o", "-", "99999"}));
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_FALSE(QFile::exists("-"));
    // Standard output that cannot take what a command writes is an error, with the reason:
    // a card in the text and the file formats, help, version and the check's report.
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const QStringList& arguments :
         std::vector<QStringList>{CardOf(kSample, {"--format=ops", "-o", "-", "5193"}),
                                  CardOf(kSample, {"--format=pdf", "-o", "-", "5193"}),
                                  {"--help"},
                                  {"--version"},
                                  {"card", "--help"},
                                  {"card", "--version"},
                                  {"check", "--help"},
                                  {"check", "--data-dir", kSample}}) {
        EXPECT_TRUE(Ended(RunVelmaro(arguments, {}, {}, "/dev/full"), 2,
                          "velmaro: standard output: No space left on device\n"))
            << arguments.join(' ').toStdString();
    }
    // Nor can a closed one, whose number no file opened meanwhile may take.
    EXPECT_TRUE(Ended(RunVelmaroScript(QString("\"$VELMARO\" card --format=ops -o - --data-dir "
                                               "'%1' 5193 >&-")
                                           .arg(kSample)),
                      2, "velmaro: standard output: Bad file descriptor\n"));
}

TEST(CommandLine, FromReadsNumbersAfterTheArgumentsFromAFileOrStandardInput) {
    QTemporaryDir folder;
    const QString list = folder.filePath("numbers.txt");
    TempDataDir::WriteFile(list.toStdString(), "50\r\n\n 5193\n99999");
    const QStringList common = CardOf(kSample, {"--metrics=fixed", "5193"});
    const std::vector<std::string> expected{"card \"5193\"", "card \"50\"", "card \" 5193\"",
                                            "card \"99999\""};
    // Each list in turn, a file, standard input, and the file again.
    const ProcessRun twice =
        RunVelmaro(common + QStringList{"--from", list, "--from", "-", "--from", list}, {}, "8\n");
    EXPECT_TRUE(Ended(twice, 1, "Matricola NON Trovata: 99999\nMatricola NON Trovata: 99999\n"));
    std::vector<std::string> both = expected;
    both.push_back("card \"8\"");
    both.insert(both.end(), expected.begin() + 1, expected.end());
    EXPECT_EQ(CardLines(twice.out), both);
    // A named pipe is a list like any: read once its writer comes, unlike a data file.
    const QString pipe = folder.filePath("pipe");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    const ProcessRun piped = RunVelmaroScript(
        QString("printf '50\\r\\n\\n 5193\\n99999' > '%1' & \"$VELMARO\" '%2' --from '%1'")
            .arg(pipe, common.join("' '")));
    EXPECT_EQ(CardLines(piped.out), expected) << piped.err;
    // A list saved as UTF-16 with its mark is text, zero bytes and all; the zero that no text
    // holds is a character of two zero bytes.
    const QString utf16 = folder.filePath("utf16.txt"), utf16Zero = folder.filePath("zero.txt");
    TempDataDir::WriteFile(utf16.toStdString(), std::string("\xFF\xFE"
                                                            "5\0"
                                                            "0\0\n\0",
                                                            8));
    TempDataDir::WriteFile(utf16Zero.toStdString(), std::string("\xFF\xFE"
                                                                "5\0"
                                                                "0\0\0\0\n\0",
                                                                10));
    EXPECT_EQ(CardLines(RunVelmaro(common + QStringList{"--from", utf16}).out),
              (std::vector<std::string>{"card \"5193\"", "card \"50\""}));
    const QString noText =
        ": holds a character zero, as no text does: not a list of numbers, one per line (save a "
        "spreadsheet's list as text)\n";
    const ProcessRun zeroInFile = RunVelmaro(common + QStringList{"--from", utf16Zero});
    EXPECT_TRUE(Ended(zeroInFile, 2, "velmaro: " + (utf16Zero + noText).toStdString()));
    EXPECT_EQ(zeroInFile.out, "");
    // A file that cannot be read is no list of numbers, nor is standard input that fails to
    // read, nor a closed one, by either name; a descriptor named is read as the shell gave it.
    // Nor is a file that holds a zero byte (a spreadsheet given by mistake), nor /dev/zero, nor
    // a UTF-16 character zero endless after a mark, also where the first read ends within a
    // character: refused at once instead of being read until memory runs out. Text without end
    // is refused once it has more lines, or bytes, than any list of numbers.
    const QString nowhere = folder.filePath("nowhere.txt");
    const QString spreadsheet = folder.filePath("numbers.xlsx");
    TempDataDir::WriteFile(spreadsheet.toStdString(),
                           std::string("5193\nPK\x03\x04\0\0\n50\n", 15));
    const QString zeroByte =
        ": holds a zero byte, as no text does: not a list of numbers, one per line (save a "
        "spreadsheet's list as text)\n";
    const QString tooMany =
        ": holds more than 1,000,000 lines, ten times the students a registry can hold: not a "
        "list of numbers, one per line\n";
    // What the shell does before the program starts, the list, and the whole standard error.
    for (const auto& [before, from, error] :
         std::initializer_list<std::tuple<QString, QString, QString>>{
             {"", nowhere, "velmaro: " + nowhere + ": No such file or directory\n"},
             {"", spreadsheet, "velmaro: " + spreadsheet + zeroByte},
             {"", "/dev/zero", "velmaro: /dev/zero" + zeroByte},
             {"< /dev/zero", "-", "velmaro: standard input" + zeroByte},
             {"", "/", "velmaro: /: is a folder, not a file\n"},
             {"< /", "-", "velmaro: standard input: Is a directory\n"},
             {"<&-", "-", "velmaro: standard input: Bad file descriptor\n"},
             {"<&-", "/dev/stdin", "velmaro: /dev/stdin: Bad file descriptor\n"},
             {"3</dev/null", "/dev/fd/3",
              "velmaro: no MATRICOLA given: the --from list /dev/fd/3 holds none\nTry 'velmaro "
              "card --help' for more information.\n"},
             {"{ printf '\\377\\376'; cat /dev/zero; } |", "-", "velmaro: standard input" + noText},
             {"{ printf '\\377\\3765'; sleep 1; cat /dev/zero; } |", "-",
              "velmaro: standard input" + noText},
             {"yes 5193 |", "-", "velmaro: standard input" + tooMany},
             {"yes | tr -d '\\n' |", "-",
              "velmaro: standard input: holds more than 64 MiB, as no list of numbers does: not "
              "a list of numbers, one per line\n"}}) {
        // Within 2 GB of address space: a list read to no end fails the test, not the machine.
        const ProcessRun unread = RunVelmaroScript(
            QString(
                "ulimit -v 2000000; %1 \"$VELMARO\" card --format=ops --data-dir '%2' --from %3")
                .arg(before, kSample, from));
        EXPECT_TRUE(Ended(unread, 2, error.toStdString())) << before.toStdString();
        EXPECT_EQ(unread.out, "");
    }
    // A list of a million lines, as CR LF, CR or LF end them, is still read.
    const QString millionLines = folder.filePath("million.txt");
    for (const std::string end : {"\r\n", "\r", "\n"}) {
        std::string lines;
        for (int line = 1; line < 1'000'000; ++line)
            lines += end;
        TempDataDir::WriteFile(millionLines.toStdString(), lines + "5193" + end);
        const ProcessRun million =
            RunVelmaro(CardOf(kSample, {"--metrics=fixed", "--from", millionLines}));
        EXPECT_TRUE(Ended(million, 0, ""));
        EXPECT_EQ(CardLines(million.out), std::vector<std::string>{"card \"5193\""});
        TempDataDir::WriteFile(millionLines.toStdString(), lines + end + "5193" + end);
        EXPECT_TRUE(Ended(RunVelmaro(CardOf(kSample, {"--metrics=fixed", "--from", millionLines})),
                          2, "velmaro: " + (millionLines + tooMany).toStdString()));
    }
}

// A list typed at a terminal waits for its end: the command says first, where it is seen, how to
// end it, and Ctrl+D at the start of a line does. Data that cannot be loaded is said before,
// and nothing is asked: nothing is typed in vain. A list from a file or a pipe gets no word
// (the exact messages of the test above).
TEST(CommandLine, AListTypedAtATerminalIsToldHowToEnd) {
    // As the terminal shows it, its line end made CR LF.
    const std::string told =
        "velmaro: type the numbers, one per line; Ctrl+D at the start of a line ends the list\r\n";
    const QTemporaryDir folder;
    const QString missing = folder.filePath("missing");
    const QString aFile = folder.filePath("a file");
    ASSERT_TRUE(QFile(aFile).open(QIODevice::WriteOnly));
    const QStringList ops = {"--metrics=fixed"};
    // Whatever can refuse the run without its numbers is said before the list is asked for: a
    // data folder, an output folder or a --split folder that cannot be.
    for (const auto& [from, errorsOnTerminal, data, output, refusal] :
         {std::tuple{"-", true, kSample, ops, ""},
          {"/dev/stdin", true, kSample, ops, ""},
          {"-", false, kSample, ops, ""},
          {"-", true, missing, ops, "No such file or directory"},
          {"-", true, kSample, ops + QStringList{"-o", missing + "/cards.ops"},
           "/missing: No such file or directory"},
          {"-", true, kSample, QStringList{"--split", aFile}, "a file: Not a directory"}}) {
        const bool drawn = *refusal == '\0';
        // Types once told (where nothing can be told, at once; untold, after 10 s).
        bool typed = false, toldBeforeTyping = false;
        ProcessRun run;
        const std::string shown = ShownOnTerminal(
            [&](int side, const QString&) {
                run = RunVelmaro(CardOf(data, output + QStringList{"--from", from}), {}, {}, {},
                                 [side, errorsOnTerminal] {
                                     ::dup2(side, STDIN_FILENO);
                                     if (errorsOnTerminal) ::dup2(side, STDERR_FILENO);
                                 });
            },
            [&](int terminal, const std::string& shownSoFar, bool silent) {
                if (typed) return !silent;
                toldBeforeTyping = shownSoFar.find(told) != std::string::npos;
                if (!errorsOnTerminal || silent || toldBeforeTyping)
                    typed = ::write(terminal, "5193\n\x04", 6) == 6;
                return true;
            });
        EXPECT_EQ(run.exitCode, drawn ? 0 : 2) << from << shown;
        EXPECT_EQ(run.err, "") << from;
        EXPECT_EQ(CardLines(run.out),
                  drawn ? std::vector<std::string>{"card \"5193\""} : std::vector<std::string>{})
            << from;
        EXPECT_EQ(toldBeforeTyping, errorsOnTerminal && drawn) << shown;
        EXPECT_EQ(shown.find(told) != std::string::npos, errorsOnTerminal && drawn) << shown;
        if (!drawn) {
            EXPECT_NE(shown.find(refusal), std::string::npos) << shown;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// Which folder is chosen, and what an error says of it, is ChooseDataDir's and
// WithDataDirOrigin's; here, that the program reads each place. A settings file that cannot say
// which folder it names is an error, never the executable's folder (which holds the sample) in
// its place: one that cannot be read, and a folder whose name holds a comma written without
// quotes, which reads as a list. The user's file counts before the system-wide one
// (XDG_CONFIG_DIRS), and given a folder, the settings are not read at all.
TEST(CommandLine, DataFolderComesFromOptionEnvironmentSettingsOrTheExecutablesFolder) {
    QTemporaryDir config;
    const QString userFile = config.filePath("user/Velmaro/velmaro.conf");
    const QString systemFile = config.filePath("system/Velmaro/velmaro.conf");
    const std::string bad = "/nonexistent/velmaro-data", kFolder = "a folder";
    const QString commaFolder = config.filePath("Segreteria, Economia");
    ASSERT_TRUE(QFile::link(kSample, commaFolder));
    const auto unreadable = [](const QString& file) {
        return file.toStdString() +
               ": the settings file cannot be read (is a folder), so its DataDir cannot choose "
               "the data folder; give one with --data-dir or VELMARO_DATA_DIR\n";
    };
    const std::string listed = userFile.toStdString() +
                               ": DataDir holds no single folder name (a comma outside double "
                               "quotes makes it a list): write the folder's name between double "
                               "quotes\n";
    const auto notLoaded = [&](const std::string& chosenBy) {
        return "velmaro: " + bad + "/: No such file or directory (data folder " + bad + "/, " +
               chosenBy + ")\n";
    };
    const struct {
        std::string option, environment;
        std::string user, system;  // a line of each file, kFolder, or empty for no file
        int exitCode;
        std::string message;  // the end of standard error
    } cases[] = {
        {"", bad, "DataDir=" + kSample.toStdString(), "", 2,
         notLoaded("given by VELMARO_DATA_DIR")},
        {"", "", "DataDir=" + bad, "", 2,
         notLoaded("given by DataDir in " + userFile.toStdString())},
        // Nothing chosen: the executable's folder, which the build fills with the sample.
        {"", "", "", "", 0, ""},
        {"", "", kFolder, "", 2, unreadable(userFile)},
        {"", "", "DataDir=" + commaFolder.toStdString(), "", 2, listed},
        {"", "", "DataDir=/srv/a,@b", "", 2, listed},
        {"", "", "DataDir=\"" + commaFolder.toStdString() + "\"", "", 0, ""},
        {"", "", "DataDir=" + kSample.toStdString(), kFolder, 0, ""},
        {"", "", "", kFolder, 2, unreadable(systemFile)},
        {"", "", "", "DataDir=" + bad, 2,
         notLoaded("given by DataDir in " + systemFile.toStdString())},
        {kSample.toStdString(), "", kFolder, kFolder, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option + " | " + c.environment + " | " + c.user + " | " + c.system);
        for (const auto& [file, line] : {std::pair{userFile, c.user}, {systemFile, c.system}}) {
            QDir(file).removeRecursively();
            QFile::remove(file);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
            if (line == kFolder) {
                ASSERT_TRUE(QDir().mkpath(file));
            } else if (!line.empty()) {
                TempDataDir::WriteFile(file.toStdString(), "[General]\n" + line + "\n");
            }
        }
        QProcessEnvironment environment =
            Environment({{"XDG_CONFIG_HOME", config.filePath("user")},
                         {"XDG_CONFIG_DIRS", config.filePath("system")}});
        if (!c.environment.empty())
            environment.insert("VELMARO_DATA_DIR", AsQString(c.environment));
        const QStringList option =
            c.option.empty() ? QStringList() : QStringList{"--data-dir", AsQString(c.option)};
        for (const QStringList& arguments : {QStringList{"card", kToday, "--metrics=fixed", "5193"},
                                             QStringList{"check", kToday}}) {
            const ProcessRun run = RunVelmaro(arguments + option, environment);
            EXPECT_EQ(run.exitCode, c.exitCode) << arguments.join(" ").toStdString() << run.err;
            EXPECT_EQ(Lines(run.err).size(), c.exitCode == 0 ? 0u : 1u) << run.err;
            EXPECT_TRUE(run.err.ends_with(c.message)) << run.err;
        }
    }
    // Among several system-wide folders, the program's own file in any of them counts before
    // the organisation's file (Velmaro.conf) in the first.
    const QString first = config.filePath("s1"), second = config.filePath("s2");
    ASSERT_TRUE(QDir().mkpath(second + "/Velmaro") && QDir().mkpath(first));
    TempDataDir::WriteFile((first + "/Velmaro.conf").toStdString(), "DataDir=/nonexistent/org\n");
    TempDataDir::WriteFile((second + "/Velmaro/velmaro.conf").toStdString(),
                           "DataDir=/nonexistent/own\n");
    const ProcessRun own =
        RunVelmaro({"check", kToday}, Environment({{"XDG_CONFIG_HOME", config.filePath("none")},
                                                   {"XDG_CONFIG_DIRS", first + ":" + second}}));
    EXPECT_EQ(own.exitCode, 2);
    EXPECT_THAT(own.err, HasSubstr("data folder /nonexistent/own/")) << own.err;
}

// A failure nothing expected, escaping to the end of the program, still says what it was
// (with control characters shown, not sent to the terminal) before the program aborts: here
// from a thread, as the check reads the registry on one.
void ThrowPastEveryHandler(const char* what) {
    std::thread([what] { throw std::length_error(what); }).join();
}

TEST(CommandLineDeathTest, AnEscapedFailureSaysWhatItWas) {
    EXPECT_DEATH(
        {
            std::set_terminate(EndForUnexpectedFailure);
            ThrowPastEveryHandler("basic_string::_M_create\x1b[2J");
        },
        "^velmaro: unexpected failure: basic_string::_M_create\\\\x1b\\[2J\n$");
}

}  // namespace
}  // namespace velmaro::testing
