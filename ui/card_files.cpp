#include "ui/card_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QPainter>
#include <QSvgGenerator>

#include <utility>

#include "ui/card_page.h"
#include "ui/card_svg.h"
#include "ui/file_name_text.h"
#include "ui/grey_png.h"
#include "ui/output_file.h"
#include "ui/pdf_creation_date.h"
#include "ui/pdf_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

Error FileError(const QString& path, const QString& reason) {
    return Error{FileNameBytes(path), reason.toStdString()};
}

// A failure the output met is the better explanation of a writer's failure, so it comes first.
Status WriterFailure(const OutputFile& file, const QString& whatFailed) {
    if (Status failure = file.Failure(); !failure) return failure;
    return FileError(file.Path(), whatFailed);
}

}  // namespace

std::optional<QByteArray> EncodeCardPng(const QImage& page) {
    // A card in black and greys, as every card is drawn, is stored as one grey byte a pixel by
    // the project's own encoder: the same pixels in a quarter of the file of three colour bytes,
    // and in a third of the time Qt's encoder takes even for grey bytes (it tries every row
    // filter on every row).
    if (std::optional<QByteArray> grey = GreyPngOf(page)) return grey;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!page.save(&buffer, "PNG")) return std::nullopt;
    return encoded;
}

Status WritePngCard(const QString& path, int dotsPerInch, const CardInput& input,
                    CommitBatch* batch, PageFit* fit) {
    OutputFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    return WritePngCard(file, dotsPerInch, input, batch, fit);
}

Status WritePngCard(OutputFile& file, int dotsPerInch, const CardInput& input, CommitBatch* batch,
                    PageFit* fit) {
    QImage page = NewCardPageImage(dotsPerInch);
    if (page.isNull()) {
        return FileError(file.Path(),
                         QStringLiteral("an A4 page at %1 dpi does not fit in the memory left")
                             .arg(dotsPerInch));
    }
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        const PageFit drawn = DrawCardPage(painter, input);
        if (fit != nullptr) *fit = drawn;
    }
    // Encoded in memory first: the encoder's failures and the file's are then told apart, and
    // the encoder never meets a failing device.
    const std::optional<QByteArray> encoded = EncodeCardPng(page);
    if (!encoded)
        return FileError(file.Path(), QStringLiteral("the PNG image could not be encoded"));
    VELMARO_TRY(file.Write({encoded->constData(), static_cast<std::size_t>(encoded->size())}));
    return file.Commit(batch);
}

Status WriteSvgCard(const QString& path, const CardInput& input, CommitBatch* batch, PageFit* fit) {
    OutputFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    return WriteSvgCard(file, input, batch, fit);
}

Status WriteSvgCard(OutputFile& file, const CardInput& input, CommitBatch* batch, PageFit* fit) {
    const QRect page(QPoint(0, 0), CardPageSizeAt(kTwipResolution));
    QByteArray generated;
    QBuffer buffer(&generated);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(kTwipResolution);
    svg.setSize(page.size());
    svg.setViewBox(page);
    svg.setTitle(QStringLiteral("Velmaro"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return WriterFailure(file, QStringLiteral("the SVG drawing could not be started"));
    }
    const PageFit drawn = DrawCardPage(painter, input, kSvgCardLineWidth);
    if (fit != nullptr) *fit = drawn;
    if (!painter.end()) {
        return WriterFailure(file, QStringLiteral("the SVG drawing could not be completed"));
    }
    const QRectF inches = CardPageLayout().paintRect(QPageLayout::Inch);
    const QByteArray framed =
        FramedCardSvg(std::move(generated),
                      QRectF(inches.topLeft() * kTwipResolution, inches.size() * kTwipResolution));
    VELMARO_TRY(file.Write({framed.constData(), static_cast<std::size_t>(framed.size())}));
    return file.Commit(batch);
}

namespace {

// The characters nearly every card draws, which every card PDF's font holds, in this order:
// space, digits, the ASCII letters and the punctuation of the card's labels and dates. The few
// others a card draws (accented letters) then make only a handful of different subsets in a
// batch, each compressed once and reused: on the 400 sample cards, five subsets for 400 files,
// and half the time per file for a fifth more bytes.
constexpr std::u32string_view kCommonCardCharacters =
    U" 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.,:;/()-*'<>_";

}  // namespace

Result<PdfCardFont> PdfCardFont::Load() {
    VELMARO_TRY(auto program, PdfFontProgram::Of(CardPrinterFont()));
    return PdfCardFont{std::move(program),
                       QtTextMetrics::AtResolution(CardPrinterFont(), kTwipResolution)};
}

PdfCardWriter::PdfCardWriter(QString path, const PdfCardFont* font)
    : path_(std::move(path)), cardFont_(font) {}

PdfCardWriter::PdfCardWriter(OutputFile& output, const PdfCardFont* font)
    : path_(output.Path()), file_(&output), cardFont_(font) {}

// An unfinished document is abandoned: the output is discarded instead of replacing path.
PdfCardWriter::~PdfCardWriter() = default;

Status PdfCardWriter::Open() {
    if (cardFont_ == nullptr) {
        auto loaded = PdfCardFont::Load();
        if (!loaded) return FileError(path_, QString::fromStdString(loaded.error().reason));
        cardFont_ = &ownFont_.emplace(std::move(loaded).value());
    }
    auto font = PdfFont::Of(cardFont_->program);
    if (!font) return FileError(path_, QString::fromStdString(font.error().reason));
    if (file_ == nullptr) {
        auto file = std::make_unique<OutputFile>(path_);
        if (Status opened = file->Open(); !opened) return opened;
        ownFile_ = std::move(file);
        file_ = ownFile_.get();
    }
    font_.emplace(std::move(font).value());
    font_->Include(kCommonCardCharacters);
    document_ = std::make_unique<PdfDocument>(
        [file = file_](std::string_view bytes) { return file->Write(bytes); });
    catalogObject_ = document_->NewObject();
    pagesObject_ = document_->NewObject();
    fontObject_ = document_->NewObject();

    const QPageLayout layout = CardPageLayout();
    const QSize page = layout.pageSize().sizePoints();
    const QRectF printable = layout.paintRect(QPageLayout::Inch);
    printableSize_ = printable.size() * kTwipResolution;
    pageSetup_ = PdfSurface::PageSetup(
        page.height(), printable.left() * kTwipResolution, printable.top() * kTwipResolution,
        printable.width() * kTwipResolution, printable.height() * kTwipResolution);
    pageEntries_ = "/Type /Page /Parent " + std::to_string(pagesObject_) + " 0 R /MediaBox [0 0 " +
                   std::to_string(page.width()) + " " + std::to_string(page.height()) +
                   "] /Resources << /Font << /F1 " + std::to_string(fontObject_) + " 0 R >> >>";
    return Ok();
}

Status PdfCardWriter::AddCard(const CardInput& input, PageFit* fit) {
    if (!document_) VELMARO_TRY(Open());
    std::string content = pageSetup_;
    PdfSurface surface(cardFont_->metrics, *font_, "F1", content);
    const PageFit drawn =
        RenderCardOnPage(surface, input, printableSize_.width(), printableSize_.height());
    if (fit != nullptr) *fit = drawn;

    const int contents = document_->NewObject();
    const int pageObject = document_->NewObject();
    pageObjects_.push_back(pageObject);
    // Pages are written as they are finished: a full disk ends the run at once.
    VELMARO_TRY(document_->WriteStream(contents, "", content));
    return document_->WriteObject(
        pageObject, "<< " + pageEntries_ + " /Contents " + std::to_string(contents) + " 0 R >>");
}

Status PdfCardWriter::Finish(CommitBatch* batch) {
    if (!document_) return Ok();
    const Status written = [&]() -> Status {
        VELMARO_TRY(font_->Write(*document_, fontObject_));
        std::string kids;
        for (const int page : pageObjects_)
            kids.append(std::to_string(page) + " 0 R ");
        VELMARO_TRY(
            document_->WriteObject(pagesObject_, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                                     std::to_string(pageObjects_.size()) + " >>"));
        VELMARO_TRY(document_->WriteObject(
            catalogObject_,
            "<< /Type /Catalog /Pages " + std::to_string(pagesObject_) + " 0 R >>"));
        const int info = document_->NewObject();
        const Result<std::optional<QByteArray>> fixedDate = ReproducibleCreationDate();
        if (!fixedDate) return Error{"", fixedDate.error().Message()};
        const QByteArray date = fixedDate->value_or(
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1());
        VELMARO_TRY(document_->WriteObject(
            info, "<< /Title (Velmaro) /Creator (Velmaro) /Producer (Velmaro) /CreationDate (D:" +
                      date.toStdString() + "Z) >>"));
        return document_->Finish(catalogObject_, info);
    }();
    document_.reset();
    const Status completed =
        written ? file_->Commit(batch)
                : WriterFailure(*file_, QString::fromStdString(written.error().reason));
    if (ownFile_) {
        ownFile_.reset();
        file_ = nullptr;
    }
    return completed;
}

}  // namespace velmaro
