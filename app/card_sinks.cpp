#include "app/card_sinks.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <string>
#include <utility>

#include "render/recording_surface.h"
#include "ui/card_files.h"

namespace velmaro {

namespace {

class OpsSink final : public CardSink {
  public:
    OpsSink(std::ostream& out, std::string outName, const TextMetrics& metrics)
        : out_(out), outName_(std::move(outName)), metrics_(metrics) {}

    void BeginCard(std::string_view typed) override {
        out_ << "card " << JsonString(typed) << '\n';
    }
    void NotFound() override { out_ << "notfound\n"; }
    Status DrawCard(const CardInput& input) override {
        RecordingSurface surface(out_, metrics_, SurfaceKind::kPrinter);
        RenderCard(surface, input);
        return Written();
    }
    Status Finish() override {
        out_.flush();
        return Written();
    }

  private:
    Status Written() const {
        if (!out_) return Error{outName_, "could not be written"};
        return Ok();
    }

    std::ostream& out_;
    std::string outName_;
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
    StreamFileSink(const CardOptions& options, std::ostream& out, std::string outName)
        : out_(out), outName_(std::move(outName)) {
        CardOptions inFolder = options;
        inFolder.output = folder_.filePath(QStringLiteral("card")).toStdString();
        file_ = MakeFileSink(inFolder);
        path_ = QString::fromStdString(*inFolder.output);
    }

    Status DrawCard(const CardInput& input) override {
        if (!folder_.isValid()) {
            return Error{outName_, "no temporary folder for the file: " +
                                       folder_.errorString().toStdString()};
        }
        return file_->DrawCard(input);
    }

    Status Finish() override {
        if (Status finished = file_->Finish(); !finished) return finished;
        QFile file(path_);
        if (!file.exists()) return Ok();  // no card was drawn: nothing to write
        if (!file.open(QIODevice::ReadOnly)) {
            return Error{path_.toStdString(), file.errorString().toStdString()};
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return Error{path_.toStdString(), file.errorString().toStdString()};
        }
        out_.write(bytes.constData(), bytes.size());
        out_.flush();
        if (!out_) return Error{outName_, "could not be written"};
        return Ok();
    }

  private:
    std::ostream& out_;
    std::string outName_;
    QTemporaryDir folder_;
    QString path_;
    std::unique_ptr<CardSink> file_;
};

}  // namespace

std::unique_ptr<CardSink> MakeStreamFileSink(const CardOptions& options, std::ostream& out,
                                             std::string outName) {
    return std::make_unique<StreamFileSink>(options, out, std::move(outName));
}

std::unique_ptr<CardSink> MakeOpsSink(std::ostream& out, std::string outName,
                                      const TextMetrics& metrics) {
    return std::make_unique<OpsSink>(out, std::move(outName), metrics);
}

std::unique_ptr<CardSink> MakeFileSink(const CardOptions& options) {
    const QString path = QString::fromStdString(options.output.value_or(""));
    if (options.format == CardFormat::kPdf) return std::make_unique<PdfSink>(path);
    return std::make_unique<SinglePageSink>(options.format, path, options.dotsPerInch);
}

}  // namespace velmaro
