#include "ui/card_files.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <utility>

#include "ui/card_page.h"
#include "ui/pdf_creation_date.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

Error FileError(const QString& path, const QString& reason) {
    return Error{path.toStdString(), reason.toStdString()};
}

Status OpenForWriting(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly)) return FileError(file.fileName(), file.errorString());
    return Ok();
}

Status Commit(QSaveFile& file) {
    if (!file.commit()) return FileError(file.fileName(), file.errorString());
    return Ok();
}

}  // namespace

Status WritePngCard(const QString& path, int dotsPerInch, const CardInput& input) {
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
    QSaveFile file(path);
    if (Status opened = OpenForWriting(file); !opened) return opened;
    if (!page.save(&file, "PNG")) {
        file.cancelWriting();
        return FileError(path, file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("the PNG image could not be encoded"));
    }
    return Commit(file);
}

Status WriteSvgCard(const QString& path, const CardInput& input) {
    QSaveFile file(path);
    if (Status opened = OpenForWriting(file); !opened) return opened;

    const QRect page(QPoint(0, 0), CardPageSizeAt(kTwipResolution));
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setResolution(kTwipResolution);
    svg.setSize(page.size());
    svg.setViewBox(page);
    svg.setTitle(QStringLiteral("Velmaro"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        file.cancelWriting();
        return FileError(path, QStringLiteral("the SVG drawing could not be started"));
    }
    DrawCardPage(painter, input);
    painter.end();
    return Commit(file);
}

PdfCardWriter::PdfCardWriter(QString path) : path_(std::move(path)) {}

PdfCardWriter::~PdfCardWriter() {
    // An unfinished document is abandoned: the painter ends before the writer, and the
    // temporary file is discarded instead of replacing path.
    painter_.reset();
    writer_.reset();
    dateFilter_.reset();
    if (file_) file_->cancelWriting();
}

Status PdfCardWriter::Open() {
    file_ = std::make_unique<QSaveFile>(path_);
    if (Status opened = OpenForWriting(*file_); !opened) {
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
        file_->cancelWriting();
        file_.reset();
        return FileError(path_, QStringLiteral("the PDF document could not be started"));
    }
    return Ok();
}

Status PdfCardWriter::AddCard(const CardInput& input) {
    if (!painter_) {
        if (Status opened = Open(); !opened) return opened;
    } else if (!writer_->newPage()) {
        return FileError(path_, QStringLiteral("a new PDF page could not be started"));
    }
    DrawCardPage(*painter_, input);
    ++pages_;
    return Ok();
}

Status PdfCardWriter::Finish() {
    if (!painter_) return Ok();
    bool ended = painter_->end();
    painter_.reset();
    writer_.reset();
    if (dateFilter_) ended = dateFilter_->FlushHeld() && ended;
    dateFilter_.reset();
    if (!ended) {
        file_->cancelWriting();
        return FileError(path_, QStringLiteral("the PDF document could not be completed"));
    }
    const Status committed = Commit(*file_);
    file_.reset();
    return committed;
}

}  // namespace velmaro
