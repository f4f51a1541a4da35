// Printing through a real CUPS queue: "velmaro-test", whose cups-pdf back end writes each job
// as a PDF file (tools/cups_test_queue.sh makes it; the ctest fixture runs that first). Where
// there is no such queue the tests skip and say why.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>
#include <QThread>
#include <vector>

#include <tuple>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <cups/cups.h>

#include "tests/support/program_output.h"
#include "tests/ui/sample_card.h"
#include "ui/card_printer.h"
#include "ui/cups_queue.h"
#include "ui/print_job.h"

namespace velmaro {
namespace {

constexpr const char* kQueue = "velmaro-test";
// A data folder for printers that are never asked for a file.
const std::string kNoDataDir = "/nonexistent/";

// Where cups-pdf puts the jobs of this process's user: $HOME/PDF of the user's account.
QDir CupsPdfFolder() {
    const passwd* account = getpwuid(getuid());
    return QDir(QString::fromLocal8Bit(account ? account->pw_dir : "/root") + "/PDF");
}

// The newest PDF file in folder modified at or after since, waited for up to 20 seconds.
QString WaitForPdf(const QDir& folder, const QDateTime& since) {
    for (int tries = 0; tries < 200; ++tries) {
        const QFileInfoList files =
            folder.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        if (!files.isEmpty() && files.first().lastModified() >= since) {
            // cups-pdf writes the file in place: wait until it reads as a whole PDF.
            int status = 0;
            testing::ProgramOutput(QStringLiteral("pdfinfo"), {files.first().filePath()}, &status);
            if (status == 0) return files.first().filePath();
        }
        QThread::msleep(100);
    }
    return {};
}

class CupsPrinting : public ::testing::Test {
  protected:
    void SetUp() override {
        // Asked of libcups itself: Velmaro loads the library when a print job first needs it,
        // and a queue it fails to see must fail these tests, not skip them.
        cups_dest_t* queue = cupsGetNamedDest(CUPS_HTTP_DEFAULT, kQueue, nullptr);
        if (queue == nullptr) {
            GTEST_SKIP() << "no CUPS queue " << kQueue
                         << " (run tools/cups_test_queue.sh as root to make it)";
        }
        cupsFreeDests(1, queue);
        ASSERT_TRUE(CupsKnowsQueue(kQueue));
        ASSERT_TRUE(card_.Loaded());
    }
    const SampleCard card_{"5193"};
};

TEST_F(CupsPrinting, TheDefaultPrinterSpoolsTheTitledCardOnOnePage) {
    // The queue becomes this process's default printer, as lpoptions -d would make it.
    qputenv("PRINTER", kQueue);
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    const int lastJobBefore = CupsLastJobId(kQueue);

    SystemCardPrinter printer(nullptr, kNoDataDir);
    const Status printed = printer.PrintCard(card_.Input());
    ASSERT_TRUE(printed.ok()) << printed.error().Message();

    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, CUPS_WHICHJOBS_ALL);
    QString title;
    for (int i = 0; i < count; ++i)
        if (jobs[i].id > lastJobBefore) title = QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(count, jobs);
    EXPECT_EQ(title, QStringLiteral("Velmaro \u2013 Matr. 5193"));

    const QString pdf = WaitForPdf(CupsPdfFolder(), start);
    ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no file into "
                                << CupsPdfFolder().path().toStdString();
    EXPECT_TRUE(testing::ProgramOutput(QStringLiteral("pdfinfo"), {pdf})
                    .contains(QRegularExpression("Pages: +1\n")));
    const QString text =
        testing::ProgramOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* piece : {"Matr.: 5193", "N.Esa.: 26", "<V_110>:", "D.Lau.:", "V.Lau.:"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(piece))) << piece << "\n" << text.toStdString();
    EXPECT_GE(text.count(QRegularExpression("\\b\\d\\d/\\d\\d/\\d\\d\\b")), 26);  // the rows
    QFile::remove(pdf);
}

// A number typed with a line end or a tab (pasted from a spreadsheet), or very long, finds its
// student; the job prints, and is found again to say so.
TEST_F(CupsPrinting, JobsOfNumbersTypedWithControlCharactersOrAtLengthAreFound) {
    for (const std::string& typed :
         std::vector<std::string>{"5193\n", "5193\t\x1b[1m", "5193" + std::string(300, 'x')}) {
        const SampleCard card(typed);
        ASSERT_TRUE(card.Loaded());
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(QString::fromUtf8(kQueue));
        const int lastJobBefore = CupsLastJobId(kQueue);
        const Status printed = PrintCardJob(printer, card.Input());
        EXPECT_TRUE(printed.ok()) << printed.error().Message();
        EXPECT_GT(CupsLastJobId(kQueue), lastJobBefore);
    }
}

TEST_F(CupsPrinting, AQueueThatRejectsJobsOrIsStoppedIsAnErrorNamingIt) {
    // The command that breaks the queue, the one that mends it, the error's reason.
    for (const auto& [breakIt, mendIt, reason] :
         {std::tuple{"cupsreject", "cupsaccept", "the printer is not accepting jobs"},
          {"cupsdisable", "cupsenable", "the printer is stopped"}}) {
        int status = 0;
        testing::ProgramOutput(QString::fromUtf8(breakIt), {kQueue}, &status);
        if (status != 0) GTEST_SKIP() << breakIt << " needs the rights of a CUPS administrator";
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(QString::fromUtf8(kQueue));
        const int lastJobBefore = CupsLastJobId(kQueue);
        const Status printed = PrintCardJob(printer, card_.Input());
        testing::ProgramOutput(QString::fromUtf8(mendIt), {kQueue});

        ASSERT_FALSE(printed.ok()) << breakIt;
        EXPECT_EQ(printed.error().file, std::string("printer ") + kQueue);
        EXPECT_EQ(printed.error().reason.rfind(reason, 0), 0u) << printed.error().reason;
        EXPECT_EQ(CupsLastJobId(kQueue), lastJobBefore) << "nothing was sent";
    }
}

// Run by ctest with refuse_libcups preloaded, which makes Velmaro's dlopen of libcups fail;
// the test itself reads the queue through the libcups it links. A job to the queue would be
// printed blind, so it is refused, saying why.
TEST(CupsLibraryMissing, AJobToAQueueIsAnErrorSayingWhy) {
    const char* preloaded = std::getenv("LD_PRELOAD");
    if (preloaded == nullptr || std::strstr(preloaded, "refuse_libcups") == nullptr)
        GTEST_SKIP() << "runs with refuse_libcups preloaded";
    ASSERT_TRUE(CupsUnavailable().has_value()) << "libcups was loaded all the same";
    cups_dest_t* queue = cupsGetNamedDest(CUPS_HTTP_DEFAULT, kQueue, nullptr);
    if (queue == nullptr) GTEST_SKIP() << "no CUPS queue " << kQueue;
    cupsFreeDests(1, queue);
    const auto jobCount = [] {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(count, jobs);
        return count;
    };
    const int jobsBefore = jobCount();

    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString::fromUtf8(kQueue));
    const Status printed = PrintCardJob(printer, card.Input());
    ASSERT_FALSE(printed.ok());
    EXPECT_EQ(printed.error().file, std::string("printer ") + kQueue);
    EXPECT_NE(printed.error().reason.find("cannot be asked about the job (libcups.so.2 could not "
                                          "be loaded: "),
              std::string::npos)
        << printed.error().reason;
    EXPECT_EQ(jobCount(), jobsBefore) << "nothing was sent";
}

}  // namespace
}  // namespace velmaro
