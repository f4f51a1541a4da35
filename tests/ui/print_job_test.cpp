// One print job of a card: what reaches the device (the printer frame, the font), a device
// that fails to begin or to end, a PDF file that cannot be written, and the title the job and
// its PDF carry.

#include <gtest/gtest.h>

#include <QDir>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <vector>

#include "render/card_text.h"
#include "tests/support/program_output.h"
#include "tests/ui/fake_printer_page.h"
#include "tests/ui/sample_card.h"
#include "ui/card_printer.h"
#include "ui/print_job.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

TEST(PrintJob, ADeviceThatFailsToBeginOrEndIsAnErrorNamingThePrinter) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    const struct {
        bool beginWorks, endWorks;
        const char* reason;  // nullptr: the job succeeds
    } cases[] = {
        {true, true, nullptr},
        {false, true, "the print job could not be started"},
        {true, false, "the print job could not be finished"},
    };
    for (const auto& c : cases) {
        FakePrinterPage page(c.beginWorks, c.endWorks);
        const Status printed = PaintCardJob(page, "printer Ufficio", card.Input());
        if (c.reason == nullptr) {
            EXPECT_TRUE(printed.ok());
            continue;
        }
        ASSERT_FALSE(printed.ok()) << c.reason;
        EXPECT_EQ(printed.error().file, "printer Ufficio");
        EXPECT_EQ(printed.error().reason, c.reason);
    }
}

TEST(PrintJob, APdfFileThatCannotBeWrittenIsAnErrorAndLeavesNoFile) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    QTemporaryDir folder;
    // A missing folder, and a device that fails every write as a full disk does.
    for (const QString& path : {folder.filePath("missing/card.pdf"), QString("/dev/full")}) {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, path);
        const Status printed = PrintCardJob(printer, card.Input());
        ASSERT_FALSE(printed.ok()) << path.toStdString();
        EXPECT_EQ(printed.error().file, path.toStdString());
    }
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdfPrinter(printer, folder.filePath("card.pdf"));
    EXPECT_TRUE(PrintCardJob(printer, card.Input()).ok());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"card.pdf"});
}

TEST(PrintJob, ThePageStartsFourEmptyLinesDownInArialTenPoints) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    FakePrinterPage page(true, true);
    ASSERT_TRUE(PaintCardJob(page, "printer", card.Input()).ok());
    ASSERT_FALSE(page.Texts().empty());

    const DrawnText& first = page.Texts().front();
    EXPECT_EQ(first.text, QStringLiteral("Matr.: "));
    EXPECT_EQ(first.font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(first.font.pointSizeF(), 10.0);
    // The printer font's line height and ascent on this 600-dpi page, in device units.
    const QtTextMetrics metrics(CardPrinterFont(), page);
    const double line = metrics.Scale().ToDeviceY(metrics.Height());
    const double ascent = metrics.Scale().ToDeviceY(metrics.Ascent());
    EXPECT_NEAR(first.baseline.y() - ascent, 4 * line, 0.5);
    // The rest of the card follows on the page: every text item lies on or below that line.
    for (const DrawnText& text : page.Texts())
        EXPECT_GE(text.baseline.y() - ascent, 4 * line - 0.5) << text.text.toStdString();
}

TEST(PrintJob, TheJobAndItsPdfAreTitledWithTheNumberAsTyped) {
    EXPECT_EQ(PrintJobTitle("5193"), QStringLiteral("Velmaro \u2013 Matr. 5193"));
    EXPECT_EQ(PrintJobTitle(" 05193x"), QStringLiteral("Velmaro \u2013 Matr.  05193x"));

    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("card.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdfPrinter(printer, path);
    ASSERT_TRUE(PrintCardJob(printer, card.Input()).ok());
    EXPECT_EQ(printer.docName(), PrintJobTitle("5193"));

    const QString text = testing::ProgramOutput(QStringLiteral("pdfinfo"), {path});
    for (const QString& line :
         {QStringLiteral("Title: +Velmaro \u2013 Matr\\. 5193\n"),
          QStringLiteral("Creator: +Velmaro\n"), QStringLiteral("Pages: +1\n")})
        EXPECT_TRUE(text.contains(QRegularExpression(line))) << text.toStdString();
}

}  // namespace
}  // namespace velmaro
