// The card page and the three card files, drawn from the worked example's data.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <optional>

#include "lookup/lookup_student.h"
#include "store/data_store.h"
#include "tests/ui/ink.h"
#include "ui/card_files.h"
#include "ui/card_page.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

class CardFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        auto store = DataStore::LoadTables(DataDirOf(std::string(VELMARO_EXAMPLES_DIR) + "/data"));
        ASSERT_TRUE(store.ok()) << store.error().Message();
        store_.emplace(std::move(*store));
        auto outcome = LookupStudent(*store_, "268");
        ASSERT_TRUE(outcome.ok() && outcome->student);
        student_ = std::move(*outcome->student);
        ASSERT_TRUE(folder_.isValid());
    }

    CardInput Input() const {
        return {student_, store_->Titles(), store_->Exams(), std::chrono::year{2025} / 10 / 20,
                "."};
    }
    QString PathOf(const QString& name) const { return folder_.filePath(name); }

    std::optional<DataStore> store_;
    Student student_;
    QTemporaryDir folder_;
};

TEST_F(CardFiles, PageImageIsAnA4SheetAtItsResolution) {
    const QImage page = NewCardPageImage(150);
    EXPECT_EQ(page.size(), QSize(1240, 1754));
    EXPECT_EQ(page.logicalDpiX(), 150);
    EXPECT_EQ(page.logicalDpiY(), 150);
    EXPECT_EQ(page.pixel(600, 900), qRgb(255, 255, 255));
}

TEST_F(CardFiles, CardStartsFourLinesDownInThePrintableArea) {
    QImage page = NewCardPageImage(150);
    {
        QPainter painter(&page);
        DrawCardPage(painter, Input());
    }
    const double line = QtTextMetrics(CardPrinterFont(), page).Height() * 150 / 1440;
    const QRect ink = testing::InkBounds(page);
    ASSERT_FALSE(ink.isNull());
    // Half an inch of margin (75 pixels), then four empty lines before "Matr.: ".
    EXPECT_GE(ink.top(), 75 + 4 * line);
    EXPECT_LT(ink.top(), 75 + 5 * line);
    // The year labels reach almost to the left edge of the printable area.
    EXPECT_GE(ink.left(), 75);
    EXPECT_LT(ink.left(), 75 + 2 * line);
    // Nothing in the right and bottom margins.
    EXPECT_LE(ink.right(), 1240 - 75);
    EXPECT_LE(ink.bottom(), 1754 - 75);
}

TEST_F(CardFiles, UnwritablePlaceIsAnErrorNamingTheFile) {
    const QString path = PathOf("missing-folder/card.png");
    const Status png = WritePngCard(path, 150, Input());
    ASSERT_FALSE(png.ok());
    EXPECT_EQ(png.error().file, path.toStdString());
    EXPECT_FALSE(png.error().reason.empty());

    const Status svg = WriteSvgCard(PathOf("missing-folder/card.svg"), Input());
    ASSERT_FALSE(svg.ok());

    PdfCardWriter pdf(PathOf("missing-folder/cards.pdf"));
    const Status added = pdf.AddCard(Input());
    ASSERT_FALSE(added.ok());
    EXPECT_EQ(added.error().file, PathOf("missing-folder/cards.pdf").toStdString());
}

TEST_F(CardFiles, PdfWithoutCardsWritesNoFile) {
    PdfCardWriter pdf(PathOf("none.pdf"));
    EXPECT_TRUE(pdf.Finish().ok());
    EXPECT_FALSE(QFile::exists(PathOf("none.pdf")));
}

TEST_F(CardFiles, AbandonedPdfLeavesTheOldFileAlone) {
    // A run that fails half-way must not leave a broken document where a good one was.
    QFile old(PathOf("cards.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();
    {
        PdfCardWriter pdf(PathOf("cards.pdf"));
        ASSERT_TRUE(pdf.AddCard(Input()).ok());
    }
    QFile after(PathOf("cards.pdf"));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), "previous");
}

TEST_F(CardFiles, PdfHoldsOnePagePerCard) {
    PdfCardWriter pdf(PathOf("cards.pdf"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pdf.AddCard(Input()).ok());
    ASSERT_TRUE(pdf.Finish().ok());
    QFile file(PathOf("cards.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n"), 3);
}

}  // namespace
}  // namespace velmaro
