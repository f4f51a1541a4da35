#include "app/card_sinks.h"

#include <QString>

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

}  // namespace

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
