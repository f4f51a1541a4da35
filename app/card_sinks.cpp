#include "app/card_sinks.h"

#include <QString>

#include <sstream>
#include <string>
#include <utility>

#include "render/recording_surface.h"
#include "store/data_file_versions.h"
#include "ui/card_files.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"

namespace velmaro {

namespace {

class OpsSink final : public CardSink {
  public:
    OpsSink(OutputFile& out, const TextMetrics& metrics) : out_(out), metrics_(metrics) {}

    Status BeginCard(std::string_view typed) override {
        return out_.Write("card " + JsonString(typed) + '\n');
    }
    Status NotFound() override { return out_.Write("notfound\n"); }
    // The recording's page has no edges: every card lies on it whole.
    Result<PageFit> DrawCard(const CardInput& input) override {
        // One card at a time: the recording surface formats into memory, the output checks
        // every write.
        std::ostringstream card;
        RecordingSurface surface(card, metrics_);
        RenderCard(surface, input);
        VELMARO_TRY(out_.Write(std::move(card).str()));
        return PageFit{};
    }
    Status Finish() override { return out_.Commit(); }

  private:
    OutputFile& out_;
    const TextMetrics& metrics_;
};

// png and svg: one card, written when it is drawn, to the file of path or to stream.
class SinglePageSink final : public CardSink {
  public:
    SinglePageSink(CardFormat format, QString path, OutputFile* stream, int dotsPerInch)
        : format_(format), path_(std::move(path)), stream_(stream), dotsPerInch_(dotsPerInch) {}

    Result<PageFit> DrawCard(const CardInput& input) override {
        PageFit fit;
        const bool png = format_ == CardFormat::kPng;
        if (stream_ != nullptr) {
            VELMARO_TRY(png ? WritePngCard(*stream_, dotsPerInch_, input, nullptr, &fit)
                            : WriteSvgCard(*stream_, input, nullptr, &fit));
        } else {
            // Written whole now, put in place by Finish.
            VELMARO_TRY(png ? WritePngCard(path_, dotsPerInch_, input, &written_, &fit)
                            : WriteSvgCard(path_, input, &written_, &fit));
        }
        return fit;
    }
    Status Finish() override { return written_.Commit(); }
    std::optional<std::string> UnwrittenWithoutCards() const override {
        return FileNameBytes(path_);
    }

  private:
    CardFormat format_;
    QString path_;
    OutputFile* stream_;
    int dotsPerInch_;
    CommitBatch written_;  // the file, until Finish; discarded with the sink unfinished
};

class PdfSink final : public CardSink {
  public:
    explicit PdfSink(QString path) : writer_(path), path_(std::move(path)) {}
    explicit PdfSink(OutputFile& stream) : writer_(stream), path_(stream.Path()) {}

    Result<PageFit> DrawCard(const CardInput& input) override {
        PageFit fit;
        VELMARO_TRY(writer_.AddCard(input, &fit));
        return fit;
    }
    Status Finish() override { return writer_.Finish(); }
    std::optional<std::string> UnwrittenWithoutCards() const override {
        return FileNameBytes(path_);
    }

  private:
    PdfCardWriter writer_;
    QString path_;
};

class WatchedSink final : public CardSink {
  public:
    WatchedSink(std::unique_ptr<CardSink> sink, const RecordFilesWatch& watch)
        : sink_(std::move(sink)), watch_(watch) {}

    // Before each card's records are read: a file replaced since the last look is watched
    // from here on, before a card reads it; a file written into ends the run without drawing
    // more from it.
    Status BeginCard(std::string_view typed) override {
        VELMARO_TRY(watch_.NoneWrittenInPlace());
        return sink_->BeginCard(typed);
    }
    Status NotFound() override { return sink_->NotFound(); }
    Result<PageFit> DrawCard(const CardInput& input) override { return sink_->DrawCard(input); }
    Status Finish() override {
        VELMARO_TRY(watch_.NoneWrittenInPlace());
        return sink_->Finish();
    }
    std::optional<std::string> UnwrittenWithoutCards() const override {
        return sink_->UnwrittenWithoutCards();
    }

  private:
    std::unique_ptr<CardSink> sink_;
    const RecordFilesWatch& watch_;
};

}  // namespace

std::unique_ptr<CardSink> MakeWatchedSink(std::unique_ptr<CardSink> sink,
                                          const RecordFilesWatch& watch) {
    return std::make_unique<WatchedSink>(std::move(sink), watch);
}

std::unique_ptr<CardSink> MakeOpsSink(OutputFile& out, const TextMetrics& metrics) {
    return std::make_unique<OpsSink>(out, metrics);
}

std::unique_ptr<CardSink> MakeFileSink(const CardOptions& options, OutputFile* stream) {
    const QString path =
        stream != nullptr ? stream->Path() : FileNameText(options.output.value_or(""));
    if (options.format != CardFormat::kPdf) {
        return std::make_unique<SinglePageSink>(options.format, path, stream, options.dotsPerInch);
    }
    if (stream != nullptr) return std::make_unique<PdfSink>(*stream);
    return std::make_unique<PdfSink>(path);
}

}  // namespace velmaro
