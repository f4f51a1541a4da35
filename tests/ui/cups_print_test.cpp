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

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QPrintEngine>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "tests/support/pdf_words.h"
#include "tests/support/program_output.h"
#include "tests/ui/sample_card.h"
#include "ui/card_printer.h"
#include "ui/cups_queue.h"
#include "ui/print_dialogs.h"
#include "ui/print_job.h"

namespace velmaro {
namespace {

constexpr const char* kQueue = "velmaro-test";
constexpr const char* kLetterQueue = "velmaro-test-letter";  // the same on US Letter paper
// The same with a printer that cannot print within 0.6 inch of the paper's bottom, and prints
// landscape, two pages to a sheet, unless a job asks otherwise.
constexpr const char* kBorderQueue = "velmaro-test-border";

// Where cups-pdf writes the files of this process's user: $HOME/PDF of the user's account.
QDir PdfFolder() {
    const passwd* account = getpwuid(getuid());
    return QDir(QString::fromLocal8Bit(account ? account->pw_dir : "/root") + "/PDF");
}

// When the newest file cups-pdf has written was written, or long ago when there is none.
QDateTime NewestPdfTime() {
    const QFileInfoList files = PdfFolder().entryInfoList({"*.pdf"}, QDir::Files, QDir::Time);
    return files.isEmpty() ? QDateTime::fromSecsSinceEpoch(0) : files.first().lastModified();
}

// The newest PDF file cups-pdf wrote after since, waited for up to 20 seconds.
QString WaitForPdf(const QDateTime& since) {
    const QDir folder = PdfFolder();
    for (int tries = 0; tries < 200; ++tries) {
        const QFileInfoList files = folder.entryInfoList({"*.pdf"}, QDir::Files, QDir::Time);
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

// The titles of the queue's jobs numbered above after, asked of the libcups this test links.
QStringList JobTitlesAfter(int after, const char* queue = kQueue) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
    QStringList titles;
    for (int i = 0; i < count; ++i)
        if (jobs[i].id > after) titles << QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(count, jobs);
    return titles;
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
bool QueueExists(const char* name = kQueue) {
    cups_dest_t* queue = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name, nullptr);
    cupsFreeDests(queue != nullptr, queue);
    return queue != nullptr;
}

// Waits up to 20 seconds for the queue to finish its jobs: a job that ends replaces the
// printer's state message with its own.
void WaitUntilIdle(const char* queue = kQueue) {
    for (int tries = 0; tries < 200; ++tries) {
        cups_job_t* jobs = nullptr;
        const int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(active, jobs);
        if (active <= 0) return;
        QThread::msleep(100);
    }
}

// Waits until the jobs that earlier tests left on any of the test queues have written their
// files: a file newer than the newest then is the next job's.
void WaitUntilEveryQueueIsIdle() {
    for (const char* queue : {kQueue, kLetterQueue, kBorderQueue})
        WaitUntilIdle(queue);
}

// The classes of the dialogs opened while ask runs, each cancelled as soon as it shows, after
// one another: "QPrintDialog", "QFileDialog"...
std::string DialogsOpenedBy(const std::function<void()>& ask) {
    std::string opened;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            if (!opened.empty()) opened += ", ";
            opened += dialog->metaObject()->className();
            dialog->close();
        }
    });
    closer.start(20);
    ask();
    return opened;
}

// card printed as a job to the queue.
Status PrintToQueue(const SampleCard& card) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString::fromUtf8(kQueue));
    return PrintCardJob(printer, card.Input());
}

class CupsPrinting : public ::testing::Test {
  protected:
    void SetUp() override {
        // Asked of libcups itself: Velmaro loads the library when a print job first needs it,
        // and a queue it fails to see must fail these tests, not skip them.
        if (!QueueExists()) {
            GTEST_SKIP() << "no CUPS queue " << kQueue
                         << " (run tools/cups_test_queue.sh as root to make it)";
        }
        ASSERT_TRUE(CupsKnowsQueue(kQueue));
        ASSERT_TRUE(card_.Loaded());
    }
    // The words of the card's page in a card file, where a printed page has them too.
    std::vector<std::vector<testing::TextBox>> CardFileWords() const {
        QTemporaryDir folder;
        QPrinter cardFile(QPrinter::HighResolution);
        SetUpPdfPrinter(cardFile, folder.filePath("card.pdf"));
        if (!PrintCardJob(cardFile, card_.Input()).ok()) return {};
        return testing::WordsPerPage(cardFile.outputFileName());
    }

    const SampleCard card_{"5193"};
};

// The default printer spools the card, titled, on one page of the paper it holds, where a card
// file has it. A number typed with a line end or a tab (pasted from a spreadsheet), or very
// long, finds its student; the job prints, and is found again to say so.
TEST_F(CupsPrinting, TheDefaultPrinterSpoolsTheTitledCardOnOnePageWhateverWasTyped) {
    if (!QueueExists(kLetterQueue)) GTEST_SKIP() << "no CUPS queue " << kLetterQueue;
    const auto inFile = CardFileWords();
    ASSERT_EQ(inFile.size(), 1u);
    ASSERT_FALSE(inFile[0].empty());

    for (const auto& [queue, paper] :
         {std::pair{kQueue, "595 x 842"}, {kLetterQueue, "612 x 792"}}) {
        SCOPED_TRACE(queue);
        // The queue becomes this process's default printer, as lpoptions -d would make it.
        qputenv("PRINTER", queue);
        WaitUntilEveryQueueIsIdle();
        const QDateTime start = NewestPdfTime();
        const int lastJobBefore = CupsLastJobId(queue);
        // A printer with a queue is never asked for a file: no data folder is needed.
        const Status printed = SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input());
        ASSERT_TRUE(printed.ok()) << printed.error().Message();
        EXPECT_EQ(JobTitlesAfter(lastJobBefore, queue), QStringList{"Velmaro \u2013 Matr. 5193"});

        const QString pdf = WaitForPdf(start);
        ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no file";
        const QString info = testing::ProgramOutput(QStringLiteral("pdfinfo"), {pdf});
        EXPECT_TRUE(info.contains(QRegularExpression("Pages: +1\n"))) << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size: +") + paper)))
            << info.toStdString();
        const QString text = testing::ProgramOutput(QStringLiteral("pdftotext"),
                                                    {QStringLiteral("-layout"), pdf, "-"});
        for (const char* piece : {"Matr.: 5193", "N.Esa.: 26", "<V_110>:", "D.Lau.:", "V.Lau.:"}) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(piece))) << piece << "\n"
                                                                 << text.toStdString();
        }
        EXPECT_GE(text.count(QRegularExpression("\\b\\d\\d/\\d\\d/\\d\\d\\b")), 26);  // the rows
        const auto printedWords = testing::WordsPerPage(pdf);
        ASSERT_EQ(printedWords.size(), 1u);
        ASSERT_FALSE(printedWords[0].empty());
        EXPECT_NEAR(printedWords[0][0].left, inFile[0][0].left, 1);
        EXPECT_NEAR(printedWords[0][0].top, inFile[0][0].top, 1);
        QFile::remove(pdf);
    }
    qputenv("PRINTER", kQueue);

    for (const std::string& typed :
         std::vector<std::string>{"5193\n", "5193\t\x1b[1m", "5193" + std::string(300, 'x')}) {
        const SampleCard card(typed);
        ASSERT_TRUE(card.Loaded());
        const int lastJob = CupsLastJobId(kQueue);
        const Status typedPrinted = PrintToQueue(card);
        EXPECT_TRUE(typedPrinted.ok()) << typedPrinted.error().Message();
        EXPECT_EQ(JobTitlesAfter(lastJob).size(), 1);
    }
}

// A printer's border wider than half an inch on one side moves only that side's edge of the
// printable area, and a queue's own page defaults (landscape, two pages to a sheet) give way
// to the upright page the card was laid out on: the paper shows the card where the card
// files have it, at its size.
TEST_F(CupsPrinting, AQueuesBorderAndPageDefaultsLeaveTheCardWhereTheCardFilesHaveIt) {
    if (!QueueExists(kBorderQueue)) GTEST_SKIP() << "no CUPS queue " << kBorderQueue;
    const auto inFile = CardFileWords();
    ASSERT_EQ(inFile.size(), 1u);
    ASSERT_FALSE(inFile[0].empty());

    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString::fromUtf8(kBorderQueue));
    UseCardPage(printer);
    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Point);
    EXPECT_NEAR(margins.left(), 36, 0.5);
    EXPECT_NEAR(margins.top(), 36, 0.5);
    EXPECT_NEAR(margins.right(), 36, 0.5);
    EXPECT_NEAR(margins.bottom(), 43, 0.5);

    WaitUntilEveryQueueIsIdle();
    const QDateTime start = NewestPdfTime();
    const int lastJobBefore = CupsLastJobId(kBorderQueue);
    const Status printed = PrintCardJob(printer, card_.Input());
    ASSERT_TRUE(printed.ok()) << printed.error().Message();
    const int job = CupsLastJobId(kBorderQueue);
    ASSERT_GT(job, lastJobBefore);
    EXPECT_EQ(JobAttribute(job, "orientation-requested"), 3);
    EXPECT_EQ(JobAttribute(job, "number-up"), 1);

    const QString pdf = WaitForPdf(start);
    ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no file";
    const auto printedWords = testing::WordsPerPage(pdf);
    ASSERT_EQ(printedWords.size(), 1u);
    ASSERT_EQ(printedWords[0].size(), inFile[0].size());
    for (const std::size_t i : {std::size_t{0}, inFile[0].size() - 1}) {
        EXPECT_EQ(printedWords[0][i].text, inFile[0][i].text);
        EXPECT_NEAR(printedWords[0][i].left, inFile[0][i].left, 1);
        EXPECT_NEAR(printedWords[0][i].top, inFile[0][i].top, 1);
    }
    QFile::remove(pdf);

    // Two pages to a sheet, as the print dialog asks for them, stay the user's choice.
    constexpr auto kCupsOptions = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);
    printer.printEngine()->setProperty(kCupsOptions, QStringList{"number-up", "2"});
    const QDateTime startTwoUp = NewestPdfTime();
    const int lastJobBeforeTwoUp = CupsLastJobId(kBorderQueue);
    ASSERT_TRUE(PrintCardJob(printer, card_.Input()).ok());
    const int twoUp = CupsLastJobId(kBorderQueue);
    ASSERT_GT(twoUp, lastJobBeforeTwoUp);
    EXPECT_EQ(JobAttribute(twoUp, "number-up"), 2);
    EXPECT_EQ(JobAttribute(twoUp, "orientation-requested"), 3);
    QFile::remove(WaitForPdf(startTwoUp));
}

// The reason an administrator gave for stopping it is part of the error.
TEST_F(CupsPrinting, AQueueThatRejectsJobsOrIsStoppedIsAnErrorNamingIt) {
    // The command that breaks the queue, the one that mends it, the error's reason.
    for (const auto& [breakIt, mendIt, reason] :
         {std::tuple{QStringList{"cupsreject"}, "cupsaccept", "the printer is not accepting jobs"},
          {QStringList{"cupsdisable", "-r", "Carta esaurita"}, "cupsenable",
           "the printer is stopped: Carta esaurita"}}) {
        WaitUntilIdle();
        int status = 0;
        testing::ProgramOutput(breakIt.front(), breakIt.mid(1) << kQueue, &status);
        if (status != 0)
            GTEST_SKIP() << breakIt.front().toStdString()
                         << " needs the rights of a CUPS administrator";
        const int lastJobBefore = CupsLastJobId(kQueue);
        const Status printed = PrintToQueue(card_);
        testing::ProgramOutput(QString::fromUtf8(mendIt), {kQueue});

        ASSERT_FALSE(printed.ok()) << breakIt.front().toStdString();
        EXPECT_EQ(printed.error().file, std::string("printer ") + kQueue);
        EXPECT_EQ(printed.error().reason, reason);
        EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList()) << "nothing was sent";
    }
}

// "&Stampa" without a default printer (none set, or the one set is gone) asks which printer,
// rather than printing on the first of the list; a print service that does not answer is an
// error, not a question for a file name that would pass for printing, unless no scheduler is
// installed at all.
TEST_F(CupsPrinting, WithoutADefaultPrinterTheUserIsAskedAndADeadServiceIsAnError) {
    qputenv("PRINTER", "velmaro-no-such-queue");
    const int lastJobBefore = CupsLastJobId(kQueue);
    Status printed = Error{"", "not printed"};
    EXPECT_EQ(DialogsOpenedBy([&] {
                  printed = SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input());
              }),
              "QPrintDialog");
    EXPECT_TRUE(printed.ok()) << printed.error().Message();  // cancelled: nothing to report
    EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList());

    cupsSetServer("/nonexistent/cups.sock");
    EXPECT_EQ(DialogsOpenedBy([&] {
                  printed = SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input());
              }),
              "");
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().Message(),
              "the printer: the print service at "
              "/nonexistent/cups.sock does not answer: is CUPS running?");
    // Where no scheduler is installed there is no printer: the card is saved as a PDF file.
    QTemporaryDir noScheduler;
    qputenv("CUPS_SERVERBIN", noScheduler.path().toLocal8Bit());
    EXPECT_EQ(DialogsOpenedBy([&] {
                  printed = SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input());
              }),
              "QFileDialog");
    qunsetenv("CUPS_SERVERBIN");
    cupsSetServer(nullptr);
    qputenv("PRINTER", kQueue);
    EXPECT_TRUE(printed.ok()) << printed.error().Message();  // cancelled: nothing to report
}

// A job is never handed to nobody in silence: a queue the spooler no longer knows (removed
// after the dialog listed it) is an error, and an instance of a queue ("name/instance", a set
// of options the user saved) is the queue's, with its problems.
TEST_F(CupsPrinting, AQueueTheSpoolerDoesNotKnowIsAnErrorAndAnInstanceIsItsQueue) {
    WaitUntilIdle();
    const int lastJobBefore = CupsLastJobId(kQueue);
    const QString goneQueue = QStringLiteral("velmaro-test-gone");
    int status = 0;
    testing::ProgramOutput(QStringLiteral("lpadmin"),
                           {"-p", goneQueue, "-E", "-v", "cups-pdf:/", "-P",
                            "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"},
                           &status);
    if (status != 0) GTEST_SKIP() << "lpadmin needs the rights of a CUPS administrator";
    QPrinter gone(QPrinter::HighResolution);
    gone.setPrinterName(goneQueue);
    testing::ProgramOutput(QStringLiteral("lpadmin"), {"-x", goneQueue});
    ASSERT_EQ(gone.printerName(), goneQueue);
    Status printed = PrintCardJob(gone, card_.Input());
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().Message(),
              "printer velmaro-test-gone: the print service knows no such printer (was it "
              "removed?)");

    testing::ProgramOutput(QStringLiteral("cupsreject"), {kQueue});
    QPrinter instance(QPrinter::HighResolution);
    instance.setPrinterName(QString::fromUtf8(kQueue) + "/copia");
    printed = PrintCardJob(instance, card_.Input());
    testing::ProgramOutput(QStringLiteral("cupsaccept"), {kQueue});
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().reason, "the printer is not accepting jobs");
    EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList()) << "nothing was sent";
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
    // "Stampa", the print dialog, the preview, and a job to a queue the dialog had chosen.
    const std::vector<std::function<Status()>> prints = {
        [&] { return SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input()); },
        [&] {
            return AskingCardPrinter(AskedDestination::kPrintDialog, nullptr, "/nonexistent/")
                .PrintCard(card_.Input());
        },
        [&] {
            return AskingCardPrinter(AskedDestination::kPreview, nullptr, "/nonexistent/")
                .PrintCard(card_.Input());
        },
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
    cupsSetServer(nullptr);
    ::close(listener);
}

// Qt writes the job to the temporary folder unchecked: where that folder cannot take it whole
// (a full disk; here a limit on the size of files) the spooler would receive a cut file, and
// the user no error. It is an error naming the folder, and nothing is sent.
TEST_F(CupsPrinting, ATemporaryFolderThatCannotTakeTheJobIsAnErrorAndNothingIsSent) {
    WaitUntilIdle();
    const int lastJobBefore = CupsLastJobId(kQueue);
    const auto usualSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit usual{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &usual), 0);
    const rlimit small{4096, usual.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const Status printed = PrintToQueue(card_);
    ::setrlimit(RLIMIT_FSIZE, &usual);
    std::signal(SIGXFSZ, usualSignal);
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().reason, "the temporary folder " + QDir::tempPath().toStdString() +
                                          " cannot take the print job before it goes to the "
                                          "printer: File too large");
    EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList()) << "nothing was sent";
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({".velmaro-print-*"}, QDir::Files | QDir::Hidden),
              QStringList());

    // A TMPDIR that names no folder is the folder Qt writes to, and named as such.
    const QByteArray usualFolder = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/velmaro-tmp");
    const Status nowhere = PrintToQueue(card_);
    qputenv("TMPDIR", usualFolder);
    if (usualFolder.isEmpty()) qunsetenv("TMPDIR");
    ASSERT_FALSE(nowhere.ok());
    EXPECT_EQ(nowhere.error().reason,
              "the temporary folder /nonexistent/velmaro-tmp cannot take the print job before it "
              "goes to the printer: No such file or directory");
    EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList()) << "nothing was sent";
}

// Run by ctest with refuse_libcups preloaded, which makes Velmaro's dlopen of libcups fail;
// the test itself reads the queue through the libcups it links. A job to the queue would be
// printed blind, so it is refused, saying why.
TEST(CupsLibraryMissing, AJobToAQueueIsAnErrorSayingWhy) {
    const char* preloaded = std::getenv("LD_PRELOAD");
    if (preloaded == nullptr || std::strstr(preloaded, "refuse_libcups") == nullptr)
        GTEST_SKIP() << "runs with refuse_libcups preloaded";
    ASSERT_TRUE(CupsUnavailable().has_value()) << "libcups was loaded all the same";
    if (!QueueExists()) GTEST_SKIP() << "no CUPS queue " << kQueue;
    const QStringList jobsBefore = JobTitlesAfter(0);
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    const Status printed = PrintToQueue(card);
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().file, std::string("printer ") + kQueue);
    EXPECT_NE(printed.error().reason.find("cannot be asked about the job (libcups.so.2 could not "
                                          "be loaded: "),
              std::string::npos)
        << printed.error().reason;
    EXPECT_EQ(JobTitlesAfter(0), jobsBefore) << "nothing was sent";
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
