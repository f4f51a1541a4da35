// The card files, drawn from the worked example's data.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "lookup/lookup_student.h"
#include "store/data_store.h"
#include "ui/card_files.h"

namespace velmaro {
namespace {

TEST(CardFiles, PdfHoldsOnePagePerCardAndAFailureNamesTheFile) {
    auto store = DataStore::LoadTables(DataDirOf(std::string(VELMARO_EXAMPLES_DIR) + "/data"));
    ASSERT_TRUE(store.ok()) << store.error().Message();
    const auto outcome = LookupStudent(*store, "268");
    ASSERT_TRUE(outcome.ok() && outcome->student);
    const CardInput input{*outcome->student, store->Titles(), store->Exams(),
                          std::chrono::year{2025} / 10 / 20, "."};
    QTemporaryDir folder;
    PdfCardWriter pdf(folder.filePath("cards.pdf"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pdf.AddCard(input).ok());
    ASSERT_TRUE(pdf.Finish().ok());
    QFile file(folder.filePath("cards.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n"), 3);

    const QString unwritable = folder.filePath("missing-folder/card.png");
    const Status png = WritePngCard(unwritable, 150, input);
    ASSERT_FALSE(png.ok());
    EXPECT_EQ(png.error().file, unwritable.toStdString());
}

}  // namespace
}  // namespace velmaro
