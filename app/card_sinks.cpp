#include "app/card_sinks.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "render/recording_surface.h"
#include "ui/card_files.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"

namespace velmaro {

namespace {

class OpsSink final : public CardSink {
  public:
    OpsSink(OutputFile& out, const TextMetrics& metrics) : out_(out), metrics_(metrics) {}

    // A failure of these two writes stays with the output, which reports it at the next card
    // or at the end.
    void BeginCard(std::string_view typed) override {
        std::ignore = out_.Write("card " + JsonString(typed) + '\n');
    }
    void NotFound() override { std::ignore = out_.Write("notfound\n"); }
    Status DrawCard(const CardInput& input) override {
        // One card at a time: the recording surface formats into memory, the output checks
        // every write.
        std::ostringstream card;
        RecordingSurface surface(card, metrics_, SurfaceKind::kPrinter);
        RenderCard(surface, input);
        return out_.Write(std::move(card).str());
    }
    Status Finish() override { return out_.Commit(); }

  private:
    OutputFile& out_;
    const TextMetrics& metrics_;
};

// png and svg: one card, written when it is drawn.
class SinglePageSink final : public CardSink {
  public:
    SinglePageSink(CardFormat format, QString path, int dotsPerInch)
        : format_(format), path_(std::move(path)), dotsPerInch_(dotsPerInch) {}

    Status DrawCard(const CardInput& input) override {
        return format_ == CardFormat::kPng ? WritePngCard(path_, dotsPerInch_, input)
                                           : WriteSvgCard(path_, input);
    }

  private:
    CardFormat format_;
    QString path_;
    int dotsPerInch_;
};

class PdfSink final : public CardSink {
  public:
    explicit PdfSink(QString path) : writer_(std::move(path)) {}

    Status DrawCard(const CardInput& input) override { return writer_.AddCard(input); }
    Status Finish() override { return writer_.Finish(); }

  private:
    PdfCardWriter writer_;
};

// A file drawn by the usual writer into a temporary folder, then copied to a stream: the
// writers need a file (a PDF is only complete once its last page is written).
class StreamFileSink final : public CardSink {
  public:
    StreamFileSink(const CardOptions& options, OutputFile& out) : out_(out) {
        CardOptions inFolder = options;
        path_ = folder_.filePath(QStringLiteral("card"));
        inFolder.output = FileNameBytes(path_);
        file_ = MakeFileSink(inFolder);
    }

    Status DrawCard(const CardInput& input) override {
        if (!folder_.isValid()) {
            return Error{FileNameBytes(out_.Path()), "no temporary folder for the file: " +
                                                         folder_.errorString().toStdString()};
        }
        return file_->DrawCard(input);
    }

    Status Finish() override {
        if (Status finished = file_->Finish(); !finished) return finished;
        QFile file(path_);
        if (!file.exists()) return Ok();  // no card was drawn: nothing to write
        if (!file.open(QIODevice::ReadOnly)) {
            return Error{FileNameBytes(path_), file.errorString().toStdString()};
        }
        // Piece by piece: a batch's file may be far larger than the memory a card needs.
        constexpr qint64 kPieceBytes = qint64{1} << 20;
        for (QByteArray piece; !(piece = file.read(kPieceBytes)).isEmpty();) {
            VELMARO_TRY(out_.Write({piece.constData(), static_cast<std::size_t>(piece.size())}));
        }
        if (file.error() != QFileDevice::NoError) {
            return Error{FileNameBytes(path_), file.errorString().toStdString()};
        }
        return out_.Commit();
    }

  private:
    OutputFile& out_;
    QTemporaryDir folder_;
    QString path_;
    std::unique_ptr<CardSink> file_;
};

}  // namespace

std::unique_ptr<CardSink> MakeStreamFileSink(const CardOptions& options, OutputFile& out) {
    return std::make_unique<StreamFileSink>(options, out);
}

std::unique_ptr<CardSink> MakeOpsSink(OutputFile& out, const TextMetrics& metrics) {
    return std::make_unique<OpsSink>(out, metrics);
}

std::unique_ptr<CardSink> MakeFileSink(const CardOptions& options) {
    const QString path = FileNameText(options.output.value_or(""));
    if (options.format == CardFormat::kPdf) return std::make_unique<PdfSink>(path);
    return std::make_unique<SinglePageSink>(options.format, path, options.dotsPerInch);
}

}  // namespace velmaro
