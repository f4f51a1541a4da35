// RenderCard of a 30-exam student on three surfaces (the ops recording, a 150-dpi A4 image
// and an open PDF), each next to a baseline that does only the unavoidable work on the same
// device: the same operations, recorded once, replayed with plain QPainter calls (or written
// to the same sink with plain number formatting). The ratio of the two medians is the surfaces'
// overhead. And the drawn 150-dpi page encoded as a card's PNG file (Png150_CardFile), next to
// Qt's PNG of the image as drawn (three colour bytes a pixel) and of its grey copy (one byte).
//
//   velmaro_bench_render --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <charconv>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "render/recording_surface.h"
#include "render/render_card.h"
#include "store/code_table.h"
#include "store/student.h"
#include "ui/card_files.h"
#include "ui/card_page.h"
#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// A graduate of 1992/93 to 1998 with 30 exams, some on the same day (so rows are spread),
// a module, honours and a pass without a mark, and the tables that name them.
struct BenchCard {
    CodeTable titles;
    CodeTable exams;
    Student student;

    BenchCard() {
        titles = BuildCodeTable({"0 01 Maturita Classica", "T 02 Maturita Scientifica"},
                                kTitleTableLayout);
        std::vector<std::string> examLines = {"00 IN00 Esame Non Codificato"};
        const char* groups[] = {"A1", "F2", "E3", "LL", "CF", "MR"};
        for (int i = 1; i <= 30; ++i) {
            examLines.push_back(std::string(groups[i % 6]) + " " + std::to_string(1000 + i) +
                                " Esame di Economia numero " + std::to_string(i) +
                                (i == 7 ? " (MOD. A)" : ""));
        }
        exams = BuildCodeTable(examLines, kExamTableLayout);

        student.MatrText = "5193";
        student.fields = {.StudentRecord = "",
                          .SexCode = "2",
                          .BirthYearMonth = "7403",
                          .PostalCode = "09100",
                          .Province = "CA",
                          .EnrolYear = "9293",
                          .DiplomaCode = "02",
                          .DiplomaYear = "9192",
                          .DiplomaGrade = "58",
                          .DegreeDate = "981120",
                          .DegreeGrade = "110",
                          .HonoursMark = "*"};
        const char* grades[] = {"28", "30", "31", "27", "ID", "24", "30", "26", "29", "18"};
        for (int i = 1; i <= 30; ++i) {
            // Two or three exams a session, sessions from February 1993 to July 1998.
            const int session = (i - 1) / 2;
            const int year = 93 + session / 3;
            const int month = (session % 3) * 3 + 2;
            const int day = i % 3 == 0 ? 10 : 20;
            char date[7];
            std::snprintf(date, sizeof date, "%02d%02d%02d", year % 100, month, day);
            student.ExamRecs.push_back(
                ParseExamRecord(std::to_string(1000 + i) + grades[i % 10] + date));
        }
        for (int y = 92; y <= 97; ++y)
            student.YearRecs.push_back(ParseYearRecord(std::to_string(y) + std::to_string(y + 1)));
    }

    CardInput Input() const {
        return {student, titles, exams, std::chrono::year{2025} / 10 / 20, ","};
    }
};

const BenchCard& Card() {
    static const BenchCard card;
    return card;
}

// Swallows everything written to it, as /dev/null does, without a system call.
class NullBuffer final : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// A device that accepts and forgets what the PDF writer writes.
class NullDevice final : public QIODevice {
  public:
    NullDevice() { open(QIODevice::WriteOnly); }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override { return length; }
};

// One recorded operation, in twips, ready to be replayed.
struct ReplayOp {
    enum class Kind { kText, kLine, kCircle } kind;
    double a = 0, b = 0, c = 0, d = 0;
    bool filled = false;
    QString text;
    std::string quoted;  // the text as the recording writes it, quotes included
};

// The card's operations as the real font measures them: one recording, read back.
std::vector<ReplayOp> RecordedOps(std::vector<std::string>* lines) {
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), kTwipResolution);
    std::ostringstream recording;
    RecordingSurface surface(recording, metrics);
    RenderCard(surface, Card().Input());

    std::vector<ReplayOp> ops;
    std::istringstream in(recording.str());
    std::string line;
    while (std::getline(in, line)) {
        if (lines) lines->push_back(line);
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        ReplayOp op{};
        if (kind == "text") {
            op.kind = ReplayOp::Kind::kText;
            words >> op.a >> op.b >> std::ws;
            std::string& quoted = op.quoted;
            std::getline(words, quoted);
            std::string text;  // the card's texts carry no escapes but \" and \\.
            for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
                if (quoted[i] == '\\') ++i;
                text.push_back(quoted[i]);
            }
            op.text = QString::fromStdString(text);
        } else if (kind == "line") {
            op.kind = ReplayOp::Kind::kLine;
            words >> op.a >> op.b >> op.c >> op.d;
        } else if (kind == "circle") {
            op.kind = ReplayOp::Kind::kCircle;
            std::string fill;
            words >> op.a >> op.b >> op.c >> fill;
            op.filled = fill == "filled";
        }
        ops.push_back(op);
    }
    return ops;
}

// The baseline: ops drawn with plain QPainter calls, in the card's font and pen, with the
// twips converted by the device's resolution; text hangs from its top-left corner.
void Replay(QPainter& painter, const std::vector<ReplayOp>& ops) {
    const QPaintDevice& device = *painter.device();
    const double sx = device.logicalDpiX() / 1440.0;
    const double sy = device.logicalDpiY() / 1440.0;
    painter.setFont(CardPrinterFont());
    painter.setPen(QPen(Qt::black, 0));
    const double ascent = QFontMetricsF(painter.font(), &device).ascent();
    for (const ReplayOp& op : ops) {
        switch (op.kind) {
            case ReplayOp::Kind::kText:
                painter.drawText(QPointF(op.a * sx, op.b * sy + ascent), op.text);
                break;
            case ReplayOp::Kind::kLine:
                painter.drawLine(QPointF(op.a * sx, op.b * sy), QPointF(op.c * sx, op.d * sy));
                break;
            case ReplayOp::Kind::kCircle:
                painter.setBrush(op.filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
                painter.drawEllipse(QPointF(op.a * sx, op.b * sy), op.c * sx, op.c * sy);
                painter.setBrush(Qt::NoBrush);
                break;
        }
    }
}

// RenderCard on the recording surface measuring with metrics, written to a sink that drops it.
void RenderOnRecording(benchmark::State& state, const TextMetrics& metrics) {
    NullBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) {
        RecordingSurface surface(out, metrics);
        RenderCard(surface, Card().Input());
    }
}

void RecordingSurface_RenderCard(benchmark::State& state) {
    RenderOnRecording(state, QtTextMetrics::AtResolution(CardPrinterFont(), kTwipResolution));
}

// The same with the fixed metrics: what the renderer and the recording cost without any
// font measuring.
void RecordingSurface_RenderCard_FixedMetrics(benchmark::State& state) {
    RenderOnRecording(state, FixedMetrics());
}

// The baseline of the recording: the same operations written to the same sink with plain
// calls, each number in its shortest exact form, as any recording of doubles must.
void RecordingSurface_Replay(benchmark::State& state) {
    const std::vector<ReplayOp> ops = RecordedOps(nullptr);
    NullBuffer sink;
    std::ostream out(&sink);
    char buffer[256];
    const auto number = [&buffer](char* at, double value) {
        *at++ = ' ';
        return std::to_chars(at, buffer + sizeof buffer, value).ptr;
    };
    for (auto _ : state) {
        for (const ReplayOp& op : ops) {
            char* end = buffer;
            switch (op.kind) {
                case ReplayOp::Kind::kText:
                    end = number(number(std::copy_n("text", 4, buffer), op.a), op.b);
                    *end++ = ' ';
                    out.write(buffer, end - buffer);
                    out.write(op.quoted.data(), static_cast<std::streamsize>(op.quoted.size()));
                    out.put('\n');
                    continue;
                case ReplayOp::Kind::kLine:
                    end = number(
                        number(number(number(std::copy_n("line", 4, buffer), op.a), op.b), op.c),
                        op.d);
                    break;
                case ReplayOp::Kind::kCircle:
                    end =
                        number(number(number(std::copy_n("circle", 6, buffer), op.a), op.b), op.c);
                    end = std::copy_n(op.filled ? " filled" : " outline", op.filled ? 7 : 8, end);
                    break;
            }
            *end++ = '\n';
            out.write(buffer, end - buffer);
        }
    }
}

void Image150_RenderCard(benchmark::State& state) {
    QImage page = NewCardPageImage(150);
    for (auto _ : state) {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        RenderCard(surface, Card().Input());
    }
}

void Image150_Replay(benchmark::State& state) {
    const std::vector<ReplayOp> ops = RecordedOps(nullptr);
    QImage page = NewCardPageImage(150);
    for (auto _ : state) {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        Replay(painter, ops);
    }
}

// The card drawn once on a 150-dpi page.
QImage DrawnPage150() {
    QImage page = NewCardPageImage(150);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawCardPage(painter, Card().Input());
    return page;
}

void Png150_CardFile(benchmark::State& state) {
    const QImage page = DrawnPage150();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::optional<QByteArray> encoded = EncodeCardPng(page);
        if (!encoded) {
            state.SkipWithError("the PNG image could not be encoded");
            break;
        }
        bytes = static_cast<std::size_t>(encoded->size());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// Qt's PNG encoder on image, as an iteration of state; its size in the counter bytes.
void EncodeWithQt(benchmark::State& state, const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) state.SkipWithError("the PNG image could not be encoded");
    state.counters["bytes"] = static_cast<double>(encoded.size());
}

void Png150_EncodeAsDrawn(benchmark::State& state) {
    const QImage page = DrawnPage150();
    for (auto _ : state)
        EncodeWithQt(state, page);
}

// Grey bytes through Qt's encoder, which tries every row filter on every row.
void Png150_QtGrey(benchmark::State& state) {
    const QImage page = DrawnPage150();
    for (auto _ : state) {
        if (!page.allGray()) state.SkipWithError("the card is not grey");
        EncodeWithQt(state, page.convertToFormat(QImage::Format_Grayscale8));
    }
}

// Each iteration draws one page of a PDF that stays open, then starts the next page.
template <typename DrawPage>
void DrawPdfPages(benchmark::State& state, DrawPage drawPage) {
    NullDevice device;
    QPdfWriter writer(&device);
    writer.setResolution(kTwipResolution);
    writer.setPageLayout(QPageLayout(CardPageLayout().pageSize(), QPageLayout::Portrait, {}));
    QPainter painter(&writer);
    for (auto _ : state) {
        drawPage(painter);
        writer.newPage();
    }
    painter.end();
}

void PdfPage_RenderCard(benchmark::State& state) {
    DrawPdfPages(state, [](QPainter& painter) {
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        RenderCard(surface, Card().Input());
    });
}

void PdfPage_Replay(benchmark::State& state) {
    const std::vector<ReplayOp> ops = RecordedOps(nullptr);
    DrawPdfPages(state, [&ops](QPainter& painter) { Replay(painter, ops); });
}

BENCHMARK(RecordingSurface_RenderCard)->Unit(benchmark::kMicrosecond);
BENCHMARK(RecordingSurface_RenderCard_FixedMetrics)->Unit(benchmark::kMicrosecond);
BENCHMARK(RecordingSurface_Replay)->Unit(benchmark::kMicrosecond);
BENCHMARK(Image150_RenderCard)->Unit(benchmark::kMicrosecond);
BENCHMARK(Image150_Replay)->Unit(benchmark::kMicrosecond);
BENCHMARK(PdfPage_RenderCard)->Unit(benchmark::kMicrosecond);
BENCHMARK(PdfPage_Replay)->Unit(benchmark::kMicrosecond);
BENCHMARK(Png150_CardFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Png150_EncodeAsDrawn)->Unit(benchmark::kMillisecond);
BENCHMARK(Png150_QtGrey)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmaro

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
