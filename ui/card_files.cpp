#include "ui/card_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <utility>

#include "ui/card_page.h"
#include "ui/output_file.h"
#include "ui/pdf_creation_date.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

Error FileError(const QString& path, const QString& reason) {
    return Error{path.toStdString(), reason.toStdString()};
}

// A failure the output met is the better explanation of a writer's failure, so it comes first.
Status WriterFailure(const OutputFile& file, const QString& whatFailed) {
    if (Status failure = file.Failure(); !failure) return failure;
    return FileError(file.Path(), whatFailed);
}

}  // namespace

Status WritePngCard(const QString& path, int dotsPerInch, const CardInput& input,
                    CommitBatch* batch) {
    QImage page = NewCardPageImage(dotsPerInch);
    if (page.isNull()) {
        return FileError(
            path, QStringLiteral("an A4 page at %1 dpi is too large an image").arg(dotsPerInch));
    }
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawCardPage(painter, input);
    }
    // Encoded in memory first: the encoder's failures and the file's are then told apart, and
    // the encoder never meets a failing device.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!page.save(&buffer, "PNG")) {
        return FileError(path, QStringLiteral("the PNG image could not be encoded"));
    }
    OutputFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    if (Status written =
            file.Write({encoded.constData(), static_cast<std::size_t>(encoded.size())});
        !written) {
        return written;
    }
    return file.Commit(batch);
}

Status WriteSvgCard(const QString& path, const CardInput& input, CommitBatch* batch) {
    OutputFile file(path);
    if (Status opened = file.Open(); !opened) return opened;

    const QRect page(QPoint(0, 0), CardPageSizeAt(kTwipResolution));
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setResolution(kTwipResolution);
    svg.setSize(page.size());
    svg.setViewBox(page);
    svg.setTitle(QStringLiteral("Velmaro"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return WriterFailure(file, QStringLiteral("the SVG drawing could not be started"));
    }
    DrawCardPage(painter, input);
    if (!painter.end()) {
        return WriterFailure(file, QStringLiteral("the SVG drawing could not be completed"));
    }
    return file.Commit(batch);
}

PdfCardWriter::PdfCardWriter(QString path) : path_(std::move(path)) {}

PdfCardWriter::~PdfCardWriter() {
    // An unfinished document is abandoned: the painter ends before the writer, and the
    // output is discarded instead of replacing path.
    painter_.reset();
    writer_.reset();
    dateFilter_.reset();
}

Status PdfCardWriter::Open() {
    file_ = std::make_unique<OutputFile>(path_);
    if (Status opened = file_->Open(); !opened) {
        file_.reset();
        return opened;
    }
    QIODevice* device = file_.get();
    if (const auto date = ReproducibleCreationDate()) {
        dateFilter_ = std::make_unique<CreationDateFilter>(*file_, *date);
        device = dateFilter_.get();
    }
    writer_ = std::make_unique<QPdfWriter>(device);
    writer_->setResolution(kTwipResolution);
    writer_->setPageLayout(
        QPageLayout(CardPageLayout().pageSize(), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer_->setCreator(QStringLiteral("Velmaro"));
    writer_->setTitle(QStringLiteral("Velmaro"));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get())) {
        painter_.reset();
        writer_.reset();
        dateFilter_.reset();
        const Status failure =
            WriterFailure(*file_, QStringLiteral("the PDF document could not be started"));
        file_.reset();
        return failure;
    }
    return Ok();
}

Status PdfCardWriter::AddCard(const CardInput& input) {
    if (!painter_) {
        VELMARO_TRY(Open());
    } else if (!writer_->newPage()) {
        return WriterFailure(*file_, QStringLiteral("a new PDF page could not be started"));
    }
    DrawCardPage(*painter_, input);
    // Pages are written as they are finished: a full disk ends the run at once.
    return file_->Failure();
}

Status PdfCardWriter::Finish(CommitBatch* batch) {
    if (!painter_) return Ok();
    bool ended = painter_->end();
    painter_.reset();
    writer_.reset();
    if (dateFilter_) ended = dateFilter_->FlushHeld() && ended;
    dateFilter_.reset();
    const Status completed =
        ended ? file_->Commit(batch)
              : WriterFailure(*file_, QStringLiteral("the PDF document could not be completed"));
    file_.reset();
    return completed;
}

}  // namespace velmaro
