#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "base/result.h"
#include "render/render_card.h"
#include "ui/card_page.h"
#include "ui/pdf_document.h"
#include "ui/pdf_font.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

class CommitBatch;
class OutputFile;

// The three card files, each written through an OutputFile: a failure leaves an existing file
// untouched and no partial file behind, a device or FIFO is written as a stream, and an error
// names path and the reason. Given a CommitBatch, a finished file waits in it to be put in
// place with the batch's others. Given fit, each tells whether the card lies wholly on its
// page or is cut off at the bottom edge of the page's printable area.

// The PNG file of a drawn card page, each pixel as page holds it; nothing when it cannot be
// encoded. A page in black and greys alone is stored with one grey byte a pixel.
std::optional<QByteArray> EncodeCardPng(const QImage& page);

// One card as a PNG image of a whole A4 page at dotsPerInch.
Status WritePngCard(const QString& path, int dotsPerInch, const CardInput& input,
                    CommitBatch* batch = nullptr, PageFit* fit = nullptr);
// The same written to file, which is open, and committed.
Status WritePngCard(OutputFile& file, int dotsPerInch, const CardInput& input,
                    CommitBatch* batch = nullptr, PageFit* fit = nullptr);

// One card as an SVG drawing of a whole A4 page; its user units are twips.
Status WriteSvgCard(const QString& path, const CardInput& input, CommitBatch* batch = nullptr,
                    PageFit* fit = nullptr);
// The same written to file, which is open, and committed.
Status WriteSvgCard(OutputFile& file, const CardInput& input, CommitBatch* batch = nullptr,
                    PageFit* fit = nullptr);

// The card font as PDF cards need it: the font program to embed and its measurements. Made
// once and handed to every PdfCardWriter of one thread, it spares each file the font's
// loading, and the lock that Qt's font system takes for it, which threads drawing at once
// contend for. One thread at a time may use it.
struct PdfCardFont {
    static Result<PdfCardFont> Load();

    std::shared_ptr<const PdfFontProgram> program;
    QtTextMetrics metrics;
};

// A PDF file with one A4 page per card, each drawn as DrawCardPage draws it; text stays text
// (the glyphs of the font that the cards use are embedded, and always those of the characters
// nearly every card draws, so that the files of a batch share their font's objects). Pages are
// written as they are added, so memory stays flat however many there are. Nothing is written until
// the first card; Finish writes the file. The file records the time it was made, or
// SOURCE_DATE_EPOCH when that is set.
class PdfCardWriter {
  public:
    // Writes path in font, which must outlive the writer; without it the writer loads its own.
    explicit PdfCardWriter(QString path, const PdfCardFont* font = nullptr);
    // Writes to output, which is open and must outlive the writer (standard output, say).
    explicit PdfCardWriter(OutputFile& output, const PdfCardFont* font = nullptr);
    ~PdfCardWriter();
    PdfCardWriter(const PdfCardWriter&) = delete;
    PdfCardWriter& operator=(const PdfCardWriter&) = delete;

    // Draws input's card on a new page (the first page, on the first call); given fit, tells
    // whether the card lies wholly on the page.
    Status AddCard(const CardInput& input, PageFit* fit = nullptr);
    // Ends the document and puts the file in place. Without any card, no file is written.
    Status Finish(CommitBatch* batch = nullptr);

  private:
    Status Open();

    QString path_;
    std::unique_ptr<OutputFile> ownFile_;  // the file of path_, once opened
    OutputFile* file_ = nullptr;           // where the document goes
    std::unique_ptr<PdfDocument> document_;
    std::optional<PdfCardFont> ownFont_;
    const PdfCardFont* cardFont_;
    std::optional<PdfFont> font_;
    std::string pageSetup_;    // the start of every page's content
    QSizeF printableSize_;     // of every page, in twips
    std::string pageEntries_;  // every page object's entries but its content
    int catalogObject_ = 0;
    int pagesObject_ = 0;
    int fontObject_ = 0;
    std::vector<int> pageObjects_;
};

}  // namespace velmaro
