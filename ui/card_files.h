#pragma once

#include <QSaveFile>
#include <QString>

#include <memory>

#include "base/result.h"
#include "render/render_card.h"

class QPainter;
class QPdfWriter;

namespace velmaro {

class CreationDateFilter;

// The three card files. Each is written through a temporary file that replaces path only
// when everything was written, so a failure never leaves a half-written file behind. An
// error names path and the reason.

// One card as a PNG image of a whole A4 page at dotsPerInch.
Status WritePngCard(const QString& path, int dotsPerInch, const CardInput& input);

// One card as an SVG drawing of a whole A4 page; its user units are twips.
Status WriteSvgCard(const QString& path, const CardInput& input);

// A PDF file with one A4 page per card; text stays text (the font is embedded). Nothing is
// written until the first card; Finish writes the file. The file records the time it was made,
// or SOURCE_DATE_EPOCH when that is set.
class PdfCardWriter {
  public:
    explicit PdfCardWriter(QString path);
    ~PdfCardWriter();
    PdfCardWriter(const PdfCardWriter&) = delete;
    PdfCardWriter& operator=(const PdfCardWriter&) = delete;

    // Draws input's card on a new page (the first page, on the first call).
    Status AddCard(const CardInput& input);
    // Ends the document and puts the file in place. Without any card, no file is written.
    Status Finish();

    int PageCount() const { return pages_; }

  private:
    Status Open();

    QString path_;
    std::unique_ptr<QSaveFile> file_;
    // Between the writer and file_ when SOURCE_DATE_EPOCH fixes the creation time.
    std::unique_ptr<CreationDateFilter> dateFilter_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    int pages_ = 0;
};

}  // namespace velmaro
