// Printing through a real CUPS queue: "velmaro-test", whose cups-pdf back end writes each job
// as a PDF file (tools/cups_test_queue.sh makes it; the ctest fixture runs that first). Where
// there is no such queue the tests skip and say why.

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QPrinter>
#include <QRegularExpression>
#include <QThread>

#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "tests/support/program_output.h"
#include "tests/ui/sample_card.h"
#include "ui/card_printer.h"
#include "ui/cups_queue.h"
#include "ui/print_job.h"

namespace velmaro {
namespace {

constexpr const char* kQueue = "velmaro-test";

// The newest PDF file cups-pdf wrote for this process's user (into $HOME/PDF of the user's
// account) at or after since, waited for up to 20 seconds.
QString WaitForPdf(const QDateTime& since) {
    const passwd* account = getpwuid(getuid());
    const QDir folder(QString::fromLocal8Bit(account ? account->pw_dir : "/root") + "/PDF");
    for (int tries = 0; tries < 200; ++tries) {
        const QFileInfoList files = folder.entryInfoList({"*.pdf"}, QDir::Files, QDir::Time);
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

// The titles of the queue's jobs numbered above after, asked of the libcups this test links.
QStringList JobTitlesAfter(int after) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, CUPS_WHICHJOBS_ALL);
    QStringList titles;
    for (int i = 0; i < count; ++i)
        if (jobs[i].id > after) titles << QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(count, jobs);
    return titles;
}

// Whether libcups (not Velmaro's) knows the queue.
bool QueueExists() {
    cups_dest_t* queue = cupsGetNamedDest(CUPS_HTTP_DEFAULT, kQueue, nullptr);
    cupsFreeDests(queue != nullptr, queue);
    return queue != nullptr;
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
    const SampleCard card_{"5193"};
};

// The default printer spools the card, titled, on one page. A number typed with a line end or a
// tab (pasted from a spreadsheet), or very long, finds its student; the job prints, and is found
// again to say so.
TEST_F(CupsPrinting, TheDefaultPrinterSpoolsTheTitledCardOnOnePageWhateverWasTyped) {
    // The queue becomes this process's default printer, as lpoptions -d would make it.
    qputenv("PRINTER", kQueue);
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    const int lastJobBefore = CupsLastJobId(kQueue);
    // A printer with a queue is never asked for a file: no data folder is needed.
    const Status printed = SystemCardPrinter(nullptr, "/nonexistent/").PrintCard(card_.Input());
    ASSERT_TRUE(printed.ok()) << printed.error().Message();
    EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList{"Velmaro \u2013 Matr. 5193"});

    const QString pdf = WaitForPdf(start);
    ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no file";
    EXPECT_TRUE(testing::ProgramOutput(QStringLiteral("pdfinfo"), {pdf})
                    .contains(QRegularExpression("Pages: +1\n")));
    const QString text =
        testing::ProgramOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* piece : {"Matr.: 5193", "N.Esa.: 26", "<V_110>:", "D.Lau.:", "V.Lau.:"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(piece))) << piece << "\n" << text.toStdString();
    EXPECT_GE(text.count(QRegularExpression("\\b\\d\\d/\\d\\d/\\d\\d\\b")), 26);  // the rows
    QFile::remove(pdf);

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

TEST_F(CupsPrinting, AQueueThatRejectsJobsOrIsStoppedIsAnErrorNamingIt) {
    // The command that breaks the queue, the one that mends it, the error's reason.
    for (const auto& [breakIt, mendIt, reason] :
         {std::tuple{"cupsreject", "cupsaccept", "the printer is not accepting jobs"},
          {"cupsdisable", "cupsenable", "the printer is stopped"}}) {
        int status = 0;
        testing::ProgramOutput(QString::fromUtf8(breakIt), {kQueue}, &status);
        if (status != 0) GTEST_SKIP() << breakIt << " needs the rights of a CUPS administrator";
        const int lastJobBefore = CupsLastJobId(kQueue);
        const Status printed = PrintToQueue(card_);
        testing::ProgramOutput(QString::fromUtf8(mendIt), {kQueue});

        ASSERT_FALSE(printed.ok()) << breakIt;
        EXPECT_EQ(printed.error().file, std::string("printer ") + kQueue);
        EXPECT_EQ(printed.error().reason.rfind(reason, 0), 0u) << printed.error().reason;
        EXPECT_EQ(JobTitlesAfter(lastJobBefore), QStringList()) << "nothing was sent";
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
