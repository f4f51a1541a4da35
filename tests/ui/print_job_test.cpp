// One print job of a card: what reaches the device (the printer frame, the font), a device
// that fails to begin or to end, a PDF file that cannot be written, and the title the job and
// its PDF carry.

#include <gtest/gtest.h>

#include <QDir>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <tuple>

#include "render/card_text.h"
#include "tests/support/program_output.h"
#include "tests/ui/fake_printer_page.h"
#include "tests/ui/sample_card.h"
#include "ui/card_printer.h"
#include "ui/print_job.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

class PrintJob : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(card_.Loaded()); }
    // The sample card printed as a PDF file at path; the job's name goes to docName_.
    Status PrintPdf(const QString& path) {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, path);
        const Status printed = PrintCardJob(printer, card_.Input());
        docName_ = printer.docName();
        return printed;
    }
    const SampleCard card_{"5193"};
    QString docName_;
};

TEST_F(PrintJob, ADeviceThatFailsToBeginOrEndIsAnErrorNamingThePrinter) {
    // Whether the device begins and ends its work, and the job's error: none when it succeeds.
    for (const auto& [beginWorks, endWorks, error] :
         {std::tuple{true, true, ""},
          {false, true, "printer Ufficio: the print job could not be started"},
          {true, false, "printer Ufficio: the print job could not be finished"}}) {
        FakePrinterPage page(beginWorks, endWorks);
        const Status printed = PaintCardJob(page, "printer Ufficio", card_.Input());
        EXPECT_EQ(printed.ok() ? "" : printed.error().Message(), error);
    }
}

// A missing folder, and a device that fails every write as a full disk does; the file written
// well is the only one its folder then holds.
TEST_F(PrintJob, APdfFileThatCannotBeWrittenIsAnErrorAndLeavesNoFile) {
    QTemporaryDir folder;
    for (const QString& path : {folder.filePath("missing/card.pdf"), QString("/dev/full")}) {
        const Status printed = PrintPdf(path);
        ASSERT_FALSE(printed.ok()) << path.toStdString();
        EXPECT_EQ(printed.error().file, path.toStdString());
    }
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_TRUE(PrintPdf(folder.filePath("card.pdf")).ok());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"card.pdf"});
}

TEST_F(PrintJob, ThePageStartsFourEmptyLinesDownInArialTenPoints) {
    FakePrinterPage page(true, true);
    ASSERT_TRUE(PaintCardJob(page, "printer", card_.Input()).ok());
    ASSERT_FALSE(page.Texts().empty());

    const DrawnText& first = page.Texts().front();
    EXPECT_EQ(QStringList({first.text, first.font.family()}), QStringList({"Matr.: ", "Arial"}));
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

TEST_F(PrintJob, TheJobAndItsPdfAreTitledWithTheNumberAsTyped) {
    EXPECT_EQ(PrintJobTitle("5193"), QStringLiteral("Velmaro \u2013 Matr. 5193"));
    EXPECT_EQ(PrintJobTitle(" 05193x"), QStringLiteral("Velmaro \u2013 Matr.  05193x"));
    // No control character, and no more than 64 characters of the number.
    EXPECT_EQ(PrintJobTitle("5193\r\n\t\x1b[1m\xc2\x9b"),
              QStringLiteral("Velmaro \u2013 Matr. 5193[1m"));
    EXPECT_EQ(PrintJobTitle(std::string(100, '7')),
              QStringLiteral("Velmaro \u2013 Matr. ") + QString(63, u'7') + u'\u2026');
    EXPECT_EQ(PrintJobTitle(std::string(62, '7') + "\U0001F600\U0001F600"),
              QStringLiteral("Velmaro \u2013 Matr. ") + QString(62, u'7') + u'\u2026');

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("card.pdf"));
    ASSERT_TRUE(PrintPdf(path).ok());
    EXPECT_EQ(docName_, PrintJobTitle("5193"));

    const QString text = testing::ProgramOutput(QStringLiteral("pdfinfo"), {path});
    for (const QString& line :
         {QStringLiteral("Title: +Velmaro \u2013 Matr\\. 5193\n"),
          QStringLiteral("Creator: +Velmaro\n"), QStringLiteral("Pages: +1\n")})
        EXPECT_TRUE(text.contains(QRegularExpression(line))) << text.toStdString();
}

}  // namespace
}  // namespace velmaro
