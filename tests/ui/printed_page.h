#pragma once

// Checks of a printed card's page shared by the print tests: the page of a card file, which
// every other printed page must match, and what pdfinfo says of a PDF file.

#include <gtest/gtest.h>

#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <initializer_list>
#include <vector>

#include "tests/support/pdf_words.h"
#include "tests/support/program_output.h"
#include "ui/card_page.h"
#include "ui/print_job.h"

namespace velmaro {

using PdfWords = std::vector<std::vector<testing::TextBox>>;

// Makes printer (best created with QPrinter::HighResolution) write its pages as a PDF file at
// path, on the page of the card files: A4 with half-inch margins, as a print dialog's "print
// to file" may.
inline void SetUpPdfPrinter(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(CardPageLayout());
}

// The words of card's page in a card file as the window saves it; none when it cannot be made
// or read.
inline PdfWords CardFileWords(const CardInput& card) {
    QTemporaryDir folder;
    const QString path = folder.filePath("card.pdf");
    if (!WriteCardPdf(path, card).ok()) return {};
    return testing::WordsPerPage(path);
}

// printed is one page with the words of the card file's page, its first and last word where
// the card file has them (within tolerance points).
inline void ExpectTheCardFilesPage(const PdfWords& printed, const PdfWords& inFile,
                                   double tolerance) {
    ASSERT_EQ(inFile.size(), 1u);
    ASSERT_EQ(printed.size(), 1u);
    ASSERT_FALSE(inFile[0].empty());
    ASSERT_EQ(printed[0].size(), inFile[0].size());
    for (std::size_t i = 0; i < inFile[0].size(); ++i) {
        EXPECT_EQ(printed[0][i].text, inFile[0][i].text) << i;
        if (i != 0 && i + 1 != inFile[0].size()) continue;
        EXPECT_NEAR(printed[0][i].left, inFile[0][i].left, tolerance) << inFile[0][i].text;
        EXPECT_NEAR(printed[0][i].top, inFile[0][i].top, tolerance) << inFile[0][i].text;
    }
}

// pdfinfo finds each of lines (regular expressions) in pdf.
inline void ExpectPdfInfo(const QString& pdf, std::initializer_list<const char*> lines) {
    const QString info = testing::ProgramOutput(QStringLiteral("pdfinfo"), {pdf});
    for (const char* line : lines)
        EXPECT_TRUE(info.contains(QRegularExpression(QString::fromUtf8(line))))
            << info.toStdString();
}

}  // namespace velmaro

// Texts as gtest shows them in a failure: the characters, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
