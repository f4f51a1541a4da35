// One print job of a card: what reaches the device (the printer frame, the font), a device
// that fails to begin or to end, a PDF file that cannot be written, and the title the job and
// its PDF carry.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPaintEngine>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <tuple>
#include <vector>

#include "tests/support/ink.h"
#include "tests/ui/printed_page.h"
#include "tests/ui/sample_card.h"
#include "ui/card_printer.h"
#include "ui/print_job.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// A 600-dpi A4 page whose paint engine draws nothing, keeps the text it is given and fails to
// begin or to end where told. Lines and ellipses come as polygons and paths.
class FakePrinterPage final : public QPaintDevice, QPaintEngine {
  public:
    struct Text {
        QPointF baseline;
        QString text;
        QFont font;
    };
    FakePrinterPage(bool beginWorks, bool endWorks)
        : QPaintEngine(AllFeatures), beginWorks_(beginWorks), endWorks_(endWorks) {}
    QPaintEngine* paintEngine() const override { return const_cast<FakePrinterPage*>(this); }
    bool begin(QPaintDevice*) override { return beginWorks_; }
    bool end() override { return endWorks_; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({p, item.text(), item.font()});
    }
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    Type type() const override { return User; }

    std::vector<Text> texts;

  protected:
    int metric(PaintDeviceMetric metric) const override {
        if (metric == PdmDevicePixelRatioScaled) return static_cast<int>(devicePixelRatioFScale());
        static const std::map<PaintDeviceMetric, int> kValues = {
            {PdmWidth, 4960}, {PdmHeight, 7016},   {PdmWidthMM, 210},       {PdmHeightMM, 297},
            {PdmDepth, 32},   {PdmNumColors, 256}, {PdmDevicePixelRatio, 1}};
        const auto value = kValues.find(metric);
        return value != kValues.end() ? value->second : 600;  // the four resolutions: 600 dpi
    }

  private:
    bool beginWorks_, endWorks_;
};

// A device that fails to begin or to end is an error naming the printer. On one that works,
// the page starts four empty lines down in Arial 10 points.
TEST(PrintJob, ThePageStartsFourLinesDownAndAFailingDeviceIsAnErrorNamingThePrinter) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    // Whether the device begins and ends its work, and the job's error: none when it succeeds.
    for (const auto& [beginWorks, endWorks, error] :
         {std::tuple{false, true, "printer Ufficio: the print job could not be started"},
          {true, false, "printer Ufficio: the print job could not be finished"}}) {
        FakePrinterPage page(beginWorks, endWorks);
        const Status printed = PaintCardJob(page, "printer Ufficio", card.Input());
        EXPECT_EQ(printed.ok() ? "" : printed.error().Message(), error);
    }
    FakePrinterPage page(true, true);
    ASSERT_TRUE(PaintCardJob(page, "printer", card.Input()).ok());
    ASSERT_FALSE(page.texts.empty());
    const FakePrinterPage::Text& first = page.texts.front();
    EXPECT_EQ(QStringList({first.text, first.font.family()}), QStringList({"Matr.: ", "Arial"}));
    EXPECT_EQ(first.font.pointSizeF(), 10.0);
    // The printer font's line height and ascent on this 600-dpi page, in device units.
    const QtTextMetrics metrics(CardPrinterFont(), page);
    const double line = metrics.Scale().ToDeviceY(metrics.Height());
    const double ascent = metrics.Scale().ToDeviceY(metrics.Ascent());
    EXPECT_NEAR(first.baseline.y() - ascent, 4 * line, 0.5);
    // The rest of the card follows on the page: every text item lies on or below that line.
    for (const FakePrinterPage::Text& text : page.texts)
        EXPECT_GE(text.baseline.y() - ascent, 4 * line - 0.5) << text.text.toStdString();
}

// A missing folder, and a device that fails every write as a full disk does; the file written
// well is the only one its folder then holds: one page, titled, with the whole card.
TEST(PrintJob, APdfFileIsTitledWholeOrAnErrorThatLeavesNoFile) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    QTemporaryDir folder;
    const QString path = folder.filePath("card.pdf");
    for (const QString& target :
         {folder.filePath("missing/card.pdf"), QString("/dev/full"), path}) {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, target);
        const Status printed = PrintCardJob(printer, card.Input());
        EXPECT_EQ(printer.docName(), PrintJobTitle("5193"));
        EXPECT_EQ(printed.ok() ? "" : printed.error().file,
                  target == path ? "" : target.toStdString());
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"card.pdf"});
    ExpectPdfInfo(path, {"Title: +Velmaro - Matr\\. 5193\n", "Creator: +Velmaro\n", "Pages: +1\n"});
    // The header of a graduate with 26 exams, then a row per exam.
    const QString text = testing::ProgramOutput("pdftotext", {"-layout", path, "-"});
    EXPECT_TRUE(text.trimmed().startsWith("Matr.: 5193")) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("N\\.Esa\\.:\\s+26")));
    EXPECT_GE(text.count(QRegularExpression("\\b\\d\\d/\\d\\d/\\d\\d\\b")), 26);
}

// The window saves and prints to a file on its own thread, where nothing would end a wait for
// the reader of a named pipe: one that no program reads is an error at once, as a PDF printer's
// file and as the saved card. (Should it wait, the alarm ends the test.)
TEST(PrintJob, ANamedPipeThatNoProgramReadsIsRefusedAtOnce) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    QTemporaryDir folder;
    const QString pipe = folder.filePath("card.pdf");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    ::alarm(60);
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdfPrinter(printer, pipe);
    for (const Status& written :
         {PrintCardJob(printer, card.Input()), WriteCardPdf(pipe, card.Input())}) {
        ASSERT_FALSE(written.ok());
        EXPECT_EQ(written.error().Message(),
                  pipe.toStdString() + ": a named pipe (FIFO) that no program reads");
    }
    ::alarm(0);
}

// A printer set up for a card (here one printing to a file on Letter paper, with Qt's narrow
// margins) keeps its paper and prints the card where a card file has it.
TEST(PrintJob, ACardPageKeepsThePaperAndPutsTheCardWhereTheCardFilesDo) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    QTemporaryDir folder;
    QPrinter letter(QPrinter::HighResolution);
    letter.setOutputFormat(QPrinter::PdfFormat);
    letter.setOutputFileName(folder.filePath("letter.pdf"));
    letter.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Point));
    UseCardPage(letter);
    ASSERT_TRUE(PrintCardJob(letter, card.Input()).ok());
    ExpectPdfInfo(letter.outputFileName(), {"Page size: +612 x 792 pts"});
    const PdfWords inFile = CardFileWords(card.Input());
    if (inFile.empty()) GTEST_SKIP() << "poppler-utils are not installed";
    ExpectTheCardFilesPage(testing::WordsPerPage(letter.outputFileName()), inFile, 0.01);
}

// A card longer and wider than the page (a number typed 300 characters long, 99 exams) is cut
// at the edges of the printable area, as in the card files: nothing goes into the half-inch
// border, where a printer would lose it at a place of its own.
TEST(PrintJob, ACardPastThePageIsCutAtThePrintableArea) {
    const SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    Student student = card.Input().student;
    student.MatrText = "5193" + std::string(300, 'x');
    while (student.ExamRecs.size() < 99)
        student.ExamRecs.push_back(student.ExamRecs.front());
    const CardInput sample = card.Input();
    const CardInput input{student, sample.titles, sample.exams, sample.today,
                          sample.decimalSeparator};
    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdfPrinter(printer, folder.filePath("card.pdf"));
    ASSERT_TRUE(PrintCardJob(printer, input).ok());

    constexpr int kDotsPerInch = 36;
    constexpr int kBorder = kDotsPerInch / 2;
    int ran = -1;
    testing::ProgramOutput(QStringLiteral("pdftoppm"),
                           {"-gray", "-r", QString::number(kDotsPerInch), "-singlefile",
                            printer.outputFileName(), folder.filePath("page")},
                           &ran);
    if (ran != 0) GTEST_SKIP() << "poppler-utils are not installed";
    const QImage page(folder.filePath("page.pgm"));
    ASSERT_FALSE(page.isNull());
    // Ink only inside the printable area, up to its right and bottom edges.
    const QRect ink = InkOf(page).bounds;
    EXPECT_TRUE(QRect(QPoint(kBorder - 1, kBorder - 1),
                      QPoint(page.width() - kBorder, page.height() - kBorder))
                    .contains(ink))
        << ink.x() << ", " << ink.y() << ", " << ink.right() << ", " << ink.bottom();
    EXPECT_GE(ink.right(), page.width() - kBorder - 2);
    EXPECT_GE(ink.bottom(), page.height() - kBorder - 2);
}

// No control character, and no more than 64 characters of the number.
TEST(PrintJobTitle, IsTheNumberAsTypedWithoutControlsAndCut) {
    const QString prefix = QStringLiteral("Velmaro - Matr. ");
    EXPECT_EQ(PrintJobTitle("5193"), prefix + "5193");
    EXPECT_EQ(PrintJobTitle(" 05193x"), prefix + " 05193x");
    EXPECT_EQ(PrintJobTitle("5193\r\n\t\x1b[1m\xc2\x9b"), prefix + "5193[1m");
    EXPECT_EQ(PrintJobTitle(std::string(100, '7')), prefix + QString(63, u'7') + u'\u2026');
    EXPECT_EQ(PrintJobTitle(std::string(62, '7') + "\U0001F600\U0001F600"),
              prefix + QString(62, u'7') + u'\u2026');
}

}  // namespace
}  // namespace velmaro
