// Printing through a real CUPS queue: "velmaro-test", whose cups-pdf back end writes each job
// as a PDF file (tools/cups_test_queue.sh makes it; the ctest fixture runs that first). Where
// there is no such queue the tests skip and say why.

#include <cups/cups.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <tuple>
#include <vector>

#include "tests/ui/printed_page.h"
#include "tests/ui/sample_card.h"
#include "ui/card_page.h"
#include "ui/card_printer.h"
#include "ui/cups_queue.h"
#include "ui/italian_message.h"
#include "ui/print_dialogs.h"

namespace velmaro {
namespace {

constexpr const char* kQueue = "velmaro-test";
constexpr const char* kLetterQueue = "velmaro-test-letter";  // the same on US Letter paper
// The same with a printer that cannot print within 0.6 inch of the paper's bottom, and prints
// landscape, two pages to a sheet, unless a job asks otherwise.
constexpr const char* kBorderQueue = "velmaro-test-border";

// The queue's jobs (all, or only the active ones), asked of the libcups this test links.
std::vector<std::pair<int, QString>> Jobs(const char* queue, int which = CUPS_WHICHJOBS_ALL) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, which);
    std::vector<std::pair<int, QString>> found;
    for (int i = 0; i < count; ++i)
        found.emplace_back(jobs[i].id, QString::fromUtf8(jobs[i].title));
    cupsFreeJobs(count, jobs);
    return found;
}

// The PDF files cups-pdf wrote (in $HOME/PDF of this process's user), the newest first.
QFileInfoList PdfFiles() {
    const passwd* account = getpwuid(getuid());
    const QDir folder(QString::fromLocal8Bit(account ? account->pw_dir : "/root") + "/PDF");
    return folder.entryInfoList({"*.pdf"}, QDir::Files, QDir::Time);
}

// The newest PDF file cups-pdf wrote after since, waited for up to 20 seconds; empty when
// there is none.
QString WaitForPdf(const QDateTime& since) {
    for (int tries = 0; tries < 200; ++tries) {
        const QFileInfoList files = PdfFiles();
        if (!files.isEmpty() && files.first().lastModified() > since) {
            // cups-pdf writes the file in place: wait until it reads as a whole PDF.
            int status = 0;
            testing::ProgramOutput(QStringLiteral("pdfinfo"), {files.first().filePath()}, &status);
            if (status == 0) return files.first().filePath();
        }
        QThread::msleep(100);
    }
    return {};
}

// What print did to queue, once the jobs earlier tests left on the test queues were done.
struct Spooled {
    Status status;
    QStringList titles;  // of the jobs it sent
    int job = 0;         // the last of them, 0 when none
    QString pdf;         // the file cups-pdf wrote of it
};
Spooled Spool(const char* queue, const std::function<Status()>& print) {
    for (const char* each : {kQueue, kLetterQueue, kBorderQueue}) {
        for (int tries = 0; tries < 200 && !Jobs(each, CUPS_WHICHJOBS_ACTIVE).empty(); ++tries)
            QThread::msleep(100);
    }
    const QFileInfoList before = PdfFiles();
    const QDateTime start =
        before.isEmpty() ? QDateTime::fromSecsSinceEpoch(0) : before.first().lastModified();
    int lastJob = 0;
    for (const auto& [id, title] : Jobs(queue))
        lastJob = std::max(lastJob, id);
    Spooled spooled{print(), {}, 0, {}};
    for (const auto& [id, title] : Jobs(queue)) {
        if (id <= lastJob) continue;
        spooled.titles << title;
        spooled.job = std::max(spooled.job, id);
    }
    if (spooled.job != 0) spooled.pdf = WaitForPdf(start);
    return spooled;
}

// The value of the integer or enum attribute name of job jobId as the spooler keeps it
// (orientation-requested: 3 portrait, 4 landscape); -1 when it has none.
int JobAttribute(int jobId, const char* name) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    ipp_attribute_t* attribute =
        response ? ippFindAttribute(response, name, IPP_TAG_ZERO) : nullptr;
    const int value = attribute ? ippGetInteger(attribute, 0) : -1;
    ippDelete(response);
    return value;
}

// Whether libcups (not Velmaro's) knows the queue.
bool QueueExists(const char* name) {
    cups_dest_t* queue = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name, nullptr);
    cupsFreeDests(queue != nullptr, queue);
    return queue != nullptr;
}

// The classes and titles of the dialogs opened while ask runs, each cancelled as soon as it
// shows, after one another: "QPrintDialog: Velmaro Studenti – stampa la scheda", "QFileDialog:
// ..."...
std::string DialogsOpenedBy(const std::function<void()>& ask) {
    std::string opened;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            opened += (opened.empty() ? "" : ", ") +
                      std::string(dialog->metaObject()->className()) + ": " +
                      dialog->windowTitle().toStdString();
            dialog->close();
        }
    });
    closer.start(20);
    ask();
    return opened;
}

// The question about a card too long for its page, for cards that fit: never asked.
const CutOffQuestion kNotAsked = [](PageFit) {
    ADD_FAILURE() << "asked about a card that lies on its page";
    return false;
};

// card printed as a job to the queue named printerName.
Status PrintTo(const QString& printerName, const CardInput& card) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(printerName);
    return PrintCardJob(printer, card);
}

class CupsPrinting : public ::testing::Test {
  protected:
    void SetUp() override {
        // Asked of libcups itself: Velmaro loads the library when a print job first needs it,
        // and a queue it fails to see must fail these tests, not skip them.
        if (!QueueExists(kQueue)) {
            GTEST_SKIP() << "no CUPS queue " << kQueue
                         << " (run tools/cups_test_queue.sh as root to make it)";
        }
        ASSERT_TRUE(CupsKnowsQueue(kQueue));
        ASSERT_TRUE(card_.Loaded());
    }
    // "Stampa": the card to the default printer (a printer is never asked for a file, so no
    // data folder is needed).
    Status PrintToDefault() const {
        return SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input(), kNotAsked);
    }

    const SampleCard card_{"5193"};
};

// The default printer spools the card, titled, on one page of the paper it holds, where a card
// file has it. A number typed with control characters (pasted from a spreadsheet) and very long
// finds its student; the job prints, titled without them.
TEST_F(CupsPrinting, TheDefaultPrinterSpoolsTheTitledCardOnOnePageWhateverWasTyped) {
    if (!QueueExists(kLetterQueue)) GTEST_SKIP() << "no CUPS queue " << kLetterQueue;
    const PdfWords inFile = CardFileWords(card_.Input());
    for (const auto& [queue, paper] :
         {std::pair{kQueue, "595 x 842"}, {kLetterQueue, "612 x 792"}}) {
        SCOPED_TRACE(queue);
        // The queue becomes this process's default printer, as lpoptions -d would make it.
        qputenv("PRINTER", queue);
        const Spooled spooled = Spool(queue, [&] { return PrintToDefault(); });
        ASSERT_TRUE(spooled.status.ok()) << spooled.status.error().Message();
        EXPECT_EQ(spooled.titles, QStringList{"Velmaro - Matr. 5193"});
        ASSERT_FALSE(spooled.pdf.isEmpty()) << "cups-pdf wrote no file";
        // Named by the job: its title's characters all survive the back end's file naming.
        EXPECT_TRUE(QFileInfo(spooled.pdf).fileName().startsWith("Velmaro_-_Matr._5193"))
            << spooled.pdf.toStdString();
        ExpectPdfInfo(spooled.pdf, {"Pages: +1\n", (std::string("Page size: +") + paper).c_str()});
        ExpectTheCardFilesPage(testing::WordsPerPage(spooled.pdf), inFile, 1);
        QFile::remove(spooled.pdf);
    }
    qputenv("PRINTER", kQueue);

    const std::string typed = "5193\t\x1b[1m" + std::string(300, 'x');
    const SampleCard card(typed);
    ASSERT_TRUE(card.Loaded());
    const Spooled spooled = Spool(kQueue, [&] { return PrintTo(kQueue, card.Input()); });
    EXPECT_TRUE(spooled.status.ok()) << spooled.status.error().Message();
    EXPECT_EQ(spooled.titles, QStringList{PrintJobTitle(typed)});
    QFile::remove(spooled.pdf);
}

// A printer's border wider than half an inch on one side moves only that side's edge of the
// printable area, and a queue's own page defaults (landscape, two pages to a sheet) give way
// to the upright page the card was laid out on: the paper shows the card where the card
// files have it, at its size. Two pages to a sheet, as the print dialog asks for them, stay
// the user's choice.
TEST_F(CupsPrinting, AQueuesBorderAndPageDefaultsLeaveTheCardWhereTheCardFilesHaveIt) {
    if (!QueueExists(kBorderQueue)) GTEST_SKIP() << "no CUPS queue " << kBorderQueue;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString::fromUtf8(kBorderQueue));
    UseCardPage(printer);
    EXPECT_EQ(printer.pageLayout().marginsPoints(), QMargins(36, 36, 36, 43));

    constexpr auto kCupsOptions = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);
    for (const int pagesToASheet : {1, 2}) {
        if (pagesToASheet == 2)
            printer.printEngine()->setProperty(kCupsOptions, QStringList{"number-up", "2"});
        const Spooled spooled =
            Spool(kBorderQueue, [&] { return PrintCardJob(printer, card_.Input()); });
        ASSERT_TRUE(spooled.status.ok()) << spooled.status.error().Message();
        ASSERT_NE(spooled.job, 0);
        EXPECT_EQ(JobAttribute(spooled.job, "orientation-requested"), 3);
        EXPECT_EQ(JobAttribute(spooled.job, "number-up"), pagesToASheet);
        if (pagesToASheet == 1) {
            ExpectTheCardFilesPage(testing::WordsPerPage(spooled.pdf), CardFileWords(card_.Input()),
                                   1);
        }
        QFile::remove(spooled.pdf);
    }
}

// A queue that rejects jobs, or is stopped (the reason an administrator gave is part of the
// error), is an error naming it and nothing is sent; an instance of a queue ("name/instance",
// a set of options the user saved) is the queue's, with its problems. A queue the spooler no
// longer knows (removed after the dialog listed it) is an error too.
TEST_F(CupsPrinting, AQueueThatRejectsJobsOrIsStoppedIsAnErrorNamingIt) {
    // The command that breaks the queue, the one that mends it, the printer named, the reason.
    const QString instance = QString::fromUtf8(kQueue) + "/copia";
    // The window says it in Italian, with the administrator's words as given.
    for (const auto& [breakIt, mendIt, printerName, reason, italian] :
         {std::tuple{QStringList{"cupsreject"}, "cupsaccept", QString::fromUtf8(kQueue),
                     "the printer is not accepting jobs", "la stampante non accetta stampe"},
          {QStringList{"cupsreject", "-r", "Coda chiusa"}, "cupsaccept", QString::fromUtf8(kQueue),
           "the printer is not accepting jobs: Coda chiusa",
           "la stampante non accetta stampe: Coda chiusa"},
          {QStringList{"cupsdisable", "-r", "Carta esaurita"}, "cupsenable", instance,
           "the printer is stopped: Carta esaurita", "la stampante è ferma: Carta esaurita"},
          {QStringList{"cupsdisable"}, "cupsenable", instance, "the printer is stopped",
           "la stampante è ferma"}}) {
        SCOPED_TRACE(printerName.toStdString());
        int status = 0;
        testing::ProgramOutput(breakIt.front(), breakIt.mid(1) << kQueue, &status);
        if (status != 0)
            GTEST_SKIP() << breakIt.front().toStdString()
                         << " needs the rights of a CUPS administrator";
        const Spooled spooled = Spool(kQueue, [&] { return PrintTo(printerName, card_.Input()); });
        testing::ProgramOutput(QString::fromUtf8(mendIt), {kQueue});
        ASSERT_FALSE(spooled.status.ok());
        EXPECT_EQ(spooled.status.error().file, "printer " + printerName.toStdString());
        EXPECT_EQ(spooled.status.error().reason, reason);
        EXPECT_EQ(ItalianMessage(spooled.status.error()),
                  "Stampante " + printerName.toStdString() + ": " + italian);
        EXPECT_EQ(spooled.titles, QStringList()) << "nothing was sent";
    }

    const QString gone = QStringLiteral("velmaro-test-gone");
    int status = 0;
    testing::ProgramOutput(
        QStringLiteral("lpadmin"),
        {"-p", gone, "-E", "-v", "cups-pdf:/", "-P", "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"},
        &status);
    ASSERT_EQ(status, 0);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(gone);
    testing::ProgramOutput(QStringLiteral("lpadmin"), {"-x", gone});
    ASSERT_EQ(printer.printerName(), gone);
    const Status printed = PrintCardJob(printer, card_.Input());
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().Message(),
              "printer velmaro-test-gone: the print service knows no such printer (was it "
              "removed?)");
    EXPECT_EQ(ItalianMessage(printed.error()),
              "Stampante velmaro-test-gone: il servizio di stampa non conosce questa stampante "
              "(è stata rimossa?)");
}

// "&Stampa" without a default printer (none set, or the one set is gone) asks which printer,
// rather than printing on the first of the list; a print service that does not answer is an
// error, not a question for a file name that would pass for printing, unless no scheduler is
// installed at all.
TEST_F(CupsPrinting, WithoutADefaultPrinterTheUserIsAskedAndADeadServiceIsAnError) {
    qputenv("PRINTER", "velmaro-no-such-queue");
    Status printed = Error{"", "not printed"};
    const auto dialogs = [&] { return DialogsOpenedBy([&] { printed = PrintToDefault(); }); };
    const Spooled asked = Spool(kQueue, [&] {
        EXPECT_EQ(dialogs(), "QPrintDialog: Velmaro Studenti \u2013 stampa la scheda");
        return printed;
    });
    EXPECT_TRUE(asked.status.ok()) << asked.status.error().Message();  // cancelled: no error
    EXPECT_EQ(asked.titles, QStringList());

    cupsSetServer("/nonexistent/cups.sock");
    EXPECT_EQ(dialogs(), "");
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().Message(),
              "the printer: the print service at "
              "/nonexistent/cups.sock does not answer: is CUPS running?");
    EXPECT_EQ(ItalianMessage(printed.error()),
              "La stampante: il servizio di stampa su /nonexistent/cups.sock non risponde: CUPS è "
              "in funzione?");
    // Where no scheduler is installed there is no printer: the card is saved as a PDF file,
    // the question saying why.
    QTemporaryDir noScheduler;
    qputenv("CUPS_SERVERBIN", noScheduler.path().toLocal8Bit());
    EXPECT_EQ(dialogs(),
              "QFileDialog: Velmaro Studenti \u2013 nessuna stampante installata: "
              "salva la scheda come PDF");
    qunsetenv("CUPS_SERVERBIN");
    cupsSetServer(nullptr);
    qputenv("PRINTER", kQueue);
    EXPECT_TRUE(printed.ok()) << printed.error().Message();  // cancelled: nothing to report
}

// A print service that takes the connection and never answers (stopped with SIGSTOP, hung)
// is an error within seconds: listing its printers would keep the window waiting for minutes,
// then ask for a file name.
TEST_F(CupsPrinting, APrintServiceThatNeverAnswersIsAnErrorWithinSeconds) {
    const QTemporaryDir folder;
    const std::string socketPath = folder.filePath("cups.sock").toStdString();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);  // connections wait in the backlog, never taken

    // A queue chosen while the service still answered (Qt asks the service to set one up).
    QPrinter chosen(QPrinter::HighResolution);
    chosen.setPrinterName(QString::fromUtf8(kQueue));
    cupsSetServer(socketPath.c_str());
    const auto asking = [&](AskedDestination destination) {
        return AskingCardPrinter(destination, nullptr, "/nonexistent/")
            .PrintCard(card_.Input(), kNotAsked);
    };
    // "Stampa", the print dialog, the preview, and a job to a queue the dialog had chosen.
    const std::vector<std::function<Status()>> prints = {
        [&] { return PrintToDefault(); }, [&] { return asking(AskedDestination::kPrintDialog); },
        [&] { return asking(AskedDestination::kPreview); },
        [&] { return PrintCardJob(chosen, card_.Input()); }};
    for (std::size_t way = 0; way < prints.size(); ++way) {
        SCOPED_TRACE(way);
        QElapsedTimer waited;
        waited.start();
        Status printed = Ok();
        EXPECT_EQ(DialogsOpenedBy([&] { printed = prints[way](); }), "");
        EXPECT_LT(waited.elapsed() / 1000, 30);
        ASSERT_FALSE(printed.ok());
        EXPECT_EQ(printed.error().reason,
                  "the print service at " + socketPath + " does not answer: is CUPS running?");
    }
    // Saving the card as a PDF asks nothing of the print service: its file dialog comes at once.
    QElapsedTimer waited;
    waited.start();
    Status saved = Error{"", "not saved"};
    EXPECT_EQ(DialogsOpenedBy([&] { saved = asking(AskedDestination::kPdfFile); }),
              "QFileDialog: Velmaro Studenti \u2013 salva la scheda come PDF");
    EXPECT_LT(waited.elapsed() / 1000, 10);
    EXPECT_TRUE(saved.ok());  // cancelled: nothing to report
    cupsSetServer(nullptr);
    ::close(listener);
}

// Acts on the print dialog once it shows (a print preview's, once its print button is
// pressed), while the actor lives: notes the printer the dialog offers, then chooses the queue
// choose and prints, or cancels when choose is null.
class PrintDialogActor {
  public:
    explicit PrintDialogActor(const char* choose) {
        QObject::connect(&timer_, &QTimer::timeout, [this, choose] {
            QWidget* shown = QApplication::activeModalWidget();
            // A print preview is printed from: its print button opens the print dialog.
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(shown);
                preview && !printPressed_) {
                for (QAction* action : preview->findChildren<QAction*>()) {
                    if (action->text() != QStringLiteral("Print")) continue;
                    printPressed_ = true;
                    QMetaObject::invokeMethod(action, "trigger", Qt::QueuedConnection);
                }
            }
            auto* dialog = qobject_cast<QPrintDialog*>(shown);
            auto* printers = dialog ? dialog->findChild<QComboBox*>("printers") : nullptr;
            if (printers == nullptr) return;
            timer_.stop();
            offered_ = printers->currentText();
            if (choose == nullptr) return dialog->reject();
            printers->setCurrentIndex(printers->findText(QString::fromUtf8(choose)));
            dialog->accept();
        });
        timer_.start(20);
    }
    const QString& Offered() const { return offered_; }

  private:
    QTimer timer_;
    QString offered_;
    bool printPressed_ = false;
};

// The printer chosen in the print dialog is the one that the window's next print dialog
// offers, rather than the default again: an office printing on another printer all day
// chooses it once. A dialog cancelled, or a printer since removed, changes nothing.
TEST_F(CupsPrinting, ThePrinterChosenInADialogIsOfferedNext) {
    ChosenPrinter chosen;
    // Opens the print dialog; once it shows, notes the printer it offers and, when choose is
    // given, prints on that queue, else cancels.
    const auto offered = [&](const char* choose) {
        const PrintDialogActor actor(choose);
        const Spooled spooled = Spool(choose ? choose : kQueue, [&] {
            return AskingCardPrinter(AskedDestination::kPrintDialog, nullptr, "/nonexistent/",
                                     &chosen)
                .PrintCard(card_.Input(), kNotAsked);
        });
        EXPECT_TRUE(spooled.status.ok()) << spooled.status.error().Message();
        EXPECT_EQ(spooled.titles.size(), choose ? 1 : 0);
        return actor.Offered();
    };
    const QString usual = offered(nullptr);
    const QString letter = QString::fromUtf8(kLetterQueue);
    ASSERT_NE(usual, letter);
    EXPECT_EQ(offered(kLetterQueue), usual);
    EXPECT_EQ(chosen.name, letter);
    EXPECT_EQ(offered(nullptr), letter);
    EXPECT_EQ(offered(nullptr), letter);
    chosen.name = QStringLiteral("velmaro-test-removed");
    EXPECT_EQ(offered(nullptr), usual);
}

// A card is measured on the page it is printed on, the printer's own paper and margins: one
// whole on A4 but longer than Letter's printable area prints at once on the A4 queue, and on
// the Letter queue, whether it is the default printer, the one chosen in the print dialog or the
// one chosen in the print dialog of a preview that showed it whole on A4, only once the question
// is answered yes; answered no, nothing is sent.
TEST_F(CupsPrinting, ACardLongerThanItsPrintersPageIsAskedAboutOnceThePageIsKnown) {
    if (!QueueExists(kLetterQueue)) GTEST_SKIP() << "no CUPS queue " << kLetterQueue;
    SampleCard sample("5193");
    const auto fitOn = [&](const char* queue) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(QString::fromUtf8(queue));
        UseCardPage(printer);
        return CardPageFitOn(printer, sample.Input());
    };
    for (std::size_t exams = sample.OwnExams(); exams <= 4 * sample.OwnExams(); ++exams) {
        sample.RepeatExams(exams);
        if (!fitOn(kLetterQueue).Whole()) break;
    }
    ASSERT_EQ(fitOn(kLetterQueue), PageFit{.pastBottom = true});
    ASSERT_TRUE(fitOn(kQueue).Whole());

    int asked = 0;
    bool answer = false;
    const CutOffQuestion question = [&](PageFit fit) {
        EXPECT_EQ(fit, PageFit{.pastBottom = true});
        ++asked;
        return answer;
    };
    enum class Way { kDefaultPrinter, kPrintDialog, kPreview };
    // The card printed to queue the given way; the dialogs start on shownFirst.
    const auto print = [&](const char* queue, Way way, const char* shownFirst = kQueue) {
        qputenv("PRINTER", way == Way::kDefaultPrinter ? queue : shownFirst);
        const std::optional<PrintDialogActor> actor =
            way == Way::kDefaultPrinter ? std::nullopt
                                        : std::make_optional<PrintDialogActor>(queue);
        const Spooled spooled = Spool(queue, [&] {
            if (way == Way::kDefaultPrinter) {
                return SystemCardPrinter(nullptr, "/nonexistent/")
                    .PrintCard(sample.Input(), question);
            }
            const AskedDestination destination = way == Way::kPrintDialog
                                                     ? AskedDestination::kPrintDialog
                                                     : AskedDestination::kPreview;
            return AskingCardPrinter(destination, nullptr, "/nonexistent/")
                .PrintCard(sample.Input(), question);
        });
        EXPECT_TRUE(spooled.status.ok()) << spooled.status.error().Message();
        if (!spooled.pdf.isEmpty()) QFile::remove(spooled.pdf);
        return spooled.titles.size();
    };
    for (const Way way : {Way::kDefaultPrinter, Way::kPrintDialog, Way::kPreview}) {
        SCOPED_TRACE(static_cast<int>(way));
        asked = 0;
        answer = false;
        EXPECT_EQ(print(kQueue, way), 1);
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(print(kLetterQueue, way), 0);
        EXPECT_EQ(asked, 1);
        answer = true;
        EXPECT_EQ(print(kLetterQueue, way), 1);
        EXPECT_EQ(asked, 2);
    }
    // A preview that showed the card cut off has said so: printing from it asks nothing.
    asked = 0;
    EXPECT_EQ(print(kLetterQueue, Way::kPreview, kLetterQueue), 1);
    EXPECT_EQ(asked, 0);
    qputenv("PRINTER", kQueue);
}

// Qt writes the job to the temporary folder unchecked: where that folder cannot take it whole
// (a full disk; here a limit on the size of files) the spooler would receive a cut file, and
// the user no error. It is an error naming the folder, and nothing is sent. A TMPDIR that names
// no folder is the folder Qt writes to, and named as such.
TEST_F(CupsPrinting, ATemporaryFolderThatCannotTakeTheJobIsAnErrorAndNothingIsSent) {
    const QString usualFolder = QDir::tempPath();
    for (const auto& [folder, reason, italian] :
         {std::tuple{usualFolder, "File too large", "file troppo grande"},
          {QStringLiteral("/nonexistent/velmaro-tmp"), "No such file or directory",
           "file o cartella inesistente"}}) {
        const QByteArray usualTmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", folder.toLocal8Bit());
        const auto usualSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit usual{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &usual), 0);
        const rlimit small{4096, usual.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const Spooled spooled = Spool(kQueue, [&] { return PrintTo(kQueue, card_.Input()); });
        ::setrlimit(RLIMIT_FSIZE, &usual);
        std::signal(SIGXFSZ, usualSignal);
        qputenv("TMPDIR", usualTmpdir);
        if (usualTmpdir.isEmpty()) qunsetenv("TMPDIR");
        ASSERT_FALSE(spooled.status.ok());
        EXPECT_EQ(spooled.status.error().reason,
                  "the temporary folder " + folder.toStdString() +
                      " cannot take the print job before it goes to the printer: " + reason);
        EXPECT_EQ(ItalianReason(spooled.status.error().reason),
                  "la cartella temporanea " + folder.toStdString() +
                      " non può accogliere la stampa prima che vada alla stampante: " + italian);
        EXPECT_EQ(spooled.titles, QStringList()) << "nothing was sent";
    }
    EXPECT_EQ(QDir(usualFolder).entryList({".velmaro-print-*"}, QDir::Files | QDir::Hidden),
              QStringList());
}

// Run by ctest with refuse_libcups preloaded, which makes Velmaro's dlopen of libcups fail;
// the test itself reads the queue through the libcups it links. A job to the queue would be
// printed blind, so it is refused, saying why.
TEST(CupsLibraryMissing, AJobToAQueueIsAnErrorSayingWhy) {
    const char* preloaded = std::getenv("LD_PRELOAD");
    if (preloaded == nullptr || std::strstr(preloaded, "refuse_libcups") == nullptr)
        GTEST_SKIP() << "runs with refuse_libcups preloaded";
    ASSERT_TRUE(CupsUnavailable().has_value()) << "libcups was loaded all the same";
    if (!QueueExists(kQueue)) GTEST_SKIP() << "no CUPS queue " << kQueue;
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    const Spooled spooled = Spool(kQueue, [&] { return PrintTo(kQueue, card.Input()); });
    ASSERT_FALSE(spooled.status.ok());
    EXPECT_EQ(spooled.status.error().file, std::string("printer ") + kQueue);
    EXPECT_THAT(spooled.status.error().reason,
                ::testing::HasSubstr("cannot be asked about the job (libcups.so.2 could not be "
                                     "loaded: "));
    EXPECT_THAT(
        ItalianReason(spooled.status.error().reason),
        ::testing::StartsWith("non si può chiedere al servizio di stampa l'esito della stampa "
                              "(non è stato possibile caricare libcups.so.2: "));
    EXPECT_EQ(spooled.titles, QStringList()) << "nothing was sent";
}

}  // namespace
}  // namespace velmaro

// Dialogs need widgets: one QApplication on the offscreen platform for the whole run.
int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
