// `velmaro card` end to end: the built executable run as a user runs it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <sstream>
#include <vector>

#include "tests/app/velmaro_process.h"
#include "tests/support/ops_compare.h"

namespace velmaro {
namespace {

using testing::ExampleData;
using testing::ProcessRun;
using testing::RunVelmaro;

const QString kToday = QStringLiteral("--today=2025-10-20");

// Every line of the worked example's typed.txt, exactly (blank-padded and empty ones too).
QStringList TypedNumbers() {
    std::istringstream lines(testing::ReadTextFile(VELMARO_EXAMPLES_DIR "/typed.txt"));
    QStringList numbers;
    std::string line;
    while (std::getline(lines, line))
        numbers << QString::fromStdString(line);
    return numbers;
}

// The lines of text, each with its line end removed.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs a poppler tool on a file and returns its standard output; empty when it cannot run.
std::string Poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(60000)) return {};
    return process.readAllStandardOutput().toStdString();
}

TEST(CardCommand, WorkedExampleRecordingMatchesCardByCard) {
    const QStringList typed = TypedNumbers();
    ASSERT_EQ(typed.size(), 38);
    QStringList arguments{"card", "--format",   "ops",         "--metrics", "fixed",
                          kToday, "--data-dir", ExampleData(), "--"};
    arguments << typed;
    const ProcessRun run = RunVelmaro(arguments);
    ASSERT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 1);  // some numbers are not on file

    const std::string expected = testing::ReadTextFile(VELMARO_EXAMPLES_DIR "/expected.ops");
    ASSERT_FALSE(expected.empty());
    for (const std::string& difference : testing::CompareOps(run.out, expected))
        ADD_FAILURE() << difference;

    // Standard error holds one line per number not found, and nothing else.
    std::vector<std::string> notFound;
    const auto cards = testing::SplitOpsCards(expected);
    for (std::size_t i = 0; i < cards.size(); ++i) {
        if (cards[i].lines.size() == 1 && cards[i].lines[0] == "notfound") {
            notFound.push_back("Matricola NON Trovata: " +
                               typed[static_cast<int>(i)].toStdString());
        }
    }
    ASSERT_EQ(notFound.size(), 7u);
    EXPECT_EQ(LinesOf(run.err), notFound);
}

TEST(CardCommand, FontMetricsAreArialTenPoints) {
    const ProcessRun run = RunVelmaro({"card", kToday, "--data-dir", ExampleData(), "268"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto cards = testing::SplitOpsCards(run.out);
    ASSERT_EQ(cards.size(), 1u);
    ASSERT_FALSE(cards[0].lines.empty());
    // "Matr.: " at column 5 (4 average widths of 904/2048 of a 200-twip em) on the fifth
    // line (4 line heights of (1854 + 434)/2048 em).
    std::istringstream first(cards[0].lines[0]);
    std::string kind;
    double x = 0, y = 0;
    first >> kind >> x >> y;
    EXPECT_EQ(kind, "text");
    EXPECT_NEAR(x, 4 * 904.4 * 200 / 2048, 0.5);
    EXPECT_NEAR(y, 4 * 2288.0 * 200 / 2048, 4);
    EXPECT_NE(cards[0].lines[0].find("\"Matr.: \""), std::string::npos);
}

TEST(CardCommand, AveragesTakeTheLocalesDecimalSeparatorAndNothingElseDoes) {
    // An Italian locale compiled for this test alone (the machine need not have one).
    QTemporaryDir locales;
    ASSERT_TRUE(locales.isValid());
    QProcess localedef;
    localedef.start("localedef", {"-i", "it_IT", "-f", "UTF-8", locales.filePath("it_IT.UTF-8")});
    if (!localedef.waitForStarted() || !localedef.waitForFinished(120000) ||
        localedef.exitCode() > 1) {
        GTEST_SKIP() << "localedef cannot build it_IT.UTF-8 here";
    }
    QProcessEnvironment italian;
    italian.insert("LOCPATH", locales.path());
    italian.insert("LC_ALL", "it_IT.UTF-8");
    const ProcessRun run = RunVelmaro(
        {"card", "--metrics=fixed", kToday, "--data-dir", ExampleData(), "268"}, italian);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // The expected card with the Italian separator in its two averages only: every
    // coordinate keeps its point.
    const auto expectedCards =
        testing::SplitOpsCards(testing::ReadTextFile(VELMARO_EXAMPLES_DIR "/expected.ops"));
    ASSERT_FALSE(expectedCards.empty());
    std::string expected = expectedCards[0].header + "\n";
    for (const std::string& line : expectedCards[0].lines) {
        if (line.find("\"26.56\"") != std::string::npos) {
            expected += line.substr(0, line.find('"')) + "\"26,56\"\n";
        } else if (line.find("\"97.40\"") != std::string::npos) {
            expected += line.substr(0, line.find('"')) + "\"97,40\"\n";
        } else {
            expected += line + "\n";
        }
    }
    ASSERT_NE(expected.find("26,56"), std::string::npos);
    for (const std::string& difference : testing::CompareOps(run.out, expected))
        ADD_FAILURE() << difference;
    EXPECT_NE(run.out.find("text 400.0 800.0 \"Matr.: \""), std::string::npos);
}

struct PngCase {
    const char* dpi;
    QSize size;
};

void PrintTo(const PngCase& c, std::ostream* out) { *out << "--dpi '" << c.dpi << "'"; }

class PngCard : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngCard, IsAnA4PageAtTheResolutionHoldingTheCard) {
    QTemporaryDir folder;
    const QString path = folder.filePath("card-268.png");
    QStringList arguments{"card", kToday, "--data-dir", ExampleData(), "-o", path, "268"};
    if (*GetParam().dpi != '\0') arguments << "--dpi" << GetParam().dpi;
    const ProcessRun run = RunVelmaro(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.empty());

    QImage image;
    ASSERT_TRUE(image.load(path, "PNG"));
    EXPECT_EQ(image.size(), GetParam().size);
    // The resolution is recorded in the file, so viewers and printers show it at A4 size.
    const double dpi = image.size().width() / (595.0 / 72);
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, dpi, 1);
    // Ink inside the printable area, none in the half-inch margins.
    const int margin = qRound(dpi / 2);
    int inkInside = 0, inkOutside = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            if (qGray(image.pixel(x, y)) >= 128) continue;
            const bool inside = x >= margin && y >= margin && x < image.width() - margin &&
                                y < image.height() - margin;
            ++(inside ? inkInside : inkOutside);
        }
    }
    EXPECT_GT(inkInside, 1000);
    EXPECT_EQ(inkOutside, 0);
}

INSTANTIATE_TEST_SUITE_P(CardCommand, PngCard,
                         ::testing::Values(PngCase{"", QSize(1240, 1754)},
                                           PngCase{"72", QSize(595, 842)},
                                           PngCase{"300", QSize(2480, 3508)}));

TEST(CardCommand, PdfHasOnePagePerFoundNumberWithTheCardsAsText) {
    QTemporaryDir folder;
    const QString path = folder.filePath("cards.pdf");
    const ProcessRun run = RunVelmaro(
        {"card", kToday, "--data-dir", ExampleData(), "-o", path, "268", "99999", "460"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Matricola NON Trovata: 99999\n");
    ASSERT_TRUE(ReadFile(path).startsWith("%PDF-"));

    const std::string info = Poppler("pdfinfo", {path});
    if (info.empty()) GTEST_SKIP() << "poppler-utils are not installed";
    EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;

    const std::string first = Poppler("pdftotext", {"-f", "1", "-l", "1", path, "-"});
    EXPECT_NE(first.find("Matr.: 268"), std::string::npos) << first;
    EXPECT_NE(first.find("Storia Contemporanea"), std::string::npos) << first;
    EXPECT_NE(first.find("Maturità Linguistica"), std::string::npos) << first;
    const std::string second = Poppler("pdftotext", {"-f", "2", "-l", "2", path, "-"});
    EXPECT_NE(second.find("Matr.: 460"), std::string::npos) << second;
    EXPECT_NE(second.find("Diritto del Lavoro"), std::string::npos) << second;
}

TEST(CardCommand, PdfWithoutAnyFoundNumberIsNotWritten) {
    QTemporaryDir folder;
    const QString path = folder.filePath("cards.pdf");
    const ProcessRun run = RunVelmaro({"card", "--data-dir", ExampleData(), "-o", path, "99999"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(CardCommand, SvgIsAValidDrawingHoldingTheCardsText) {
    QTemporaryDir folder;
    const QString path = folder.filePath("card.svg");
    const ProcessRun run =
        RunVelmaro({"card", kToday, "--data-dir", ExampleData(), "-o", path, "268"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QSvgRenderer renderer(path);
    EXPECT_TRUE(renderer.isValid());
    EXPECT_NEAR(renderer.viewBoxF().width() / renderer.viewBoxF().height(), 210.0 / 297, 0.002);
    const QByteArray svg = ReadFile(path);
    EXPECT_TRUE(svg.contains(">Storia Contemporanea<"));
    EXPECT_TRUE(svg.contains(">Matr.: <"));
}

TEST(CardCommand, NeedsNoDisplayWhateverThePlatformAsked) {
    QProcessEnvironment x11;
    x11.insert("QT_QPA_PLATFORM", "xcb");
    QTemporaryDir folder;
    const QString path = folder.filePath("card.png");
    const ProcessRun run =
        RunVelmaro({"card", "--data-dir", ExampleData(), "-o", path, "268"}, x11);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(QFile::exists(path));
}

TEST(CardCommand, NumberNotFoundIsReportedAndTheOthersDrawn) {
    const ProcessRun run = RunVelmaro(
        {"card", "--metrics=fixed", kToday, "--data-dir", ExampleData(), "--", "-5", "268"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Matricola NON Trovata: -5\n");
    const auto cards = testing::SplitOpsCards(run.out);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].header, "card \"-5\"");
    EXPECT_EQ(cards[0].lines, std::vector<std::string>{"notfound"});
    EXPECT_EQ(cards[1].header, "card \"268\"");
    EXPECT_GT(cards[1].lines.size(), 100u);
}

TEST(CardCommand, MissingDataFileStopsWithOneLineNamingIt) {
    QTemporaryDir folder;
    // A data folder without elenco.dir: the tables load, the registry is missing.
    for (const char* name : {"titoli.grp", "esami.grp", "esami.dir", "velmara.dir"})
        ASSERT_TRUE(QFile::copy(ExampleData() + "/" + name, folder.filePath(name)));
    const ProcessRun run = RunVelmaro({"card", "--data-dir", folder.path(), "268"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.empty());
    const auto lines = LinesOf(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_NE(lines[0].find("elenco.dir"), std::string::npos) << lines[0];

    const ProcessRun nowhere =
        RunVelmaro({"card", "--data-dir", folder.filePath("nowhere"), "268"});
    EXPECT_EQ(nowhere.exitCode, 2);
    EXPECT_EQ(LinesOf(nowhere.err).size(), 1u) << nowhere.err;
    EXPECT_NE(nowhere.err.find("titoli.grp"), std::string::npos) << nowhere.err;
}

TEST(CardCommand, UnwritableOutputIsAnError) {
    const ProcessRun run = RunVelmaro(
        {"card", "--data-dir", ExampleData(), "-o", "/nonexistent-folder/card.pdf", "268"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("/nonexistent-folder/card.pdf"), std::string::npos) << run.err;
}

TEST(CardCommand, UsageErrorsExitWithTwoAndWriteNothing) {
    QTemporaryDir folder;
    const QString png = folder.filePath("card.png");
    const std::vector<QStringList> usages = {
        {"card"},
        {"card", "--format", "bmp", "268"},
        {"card", "--today", "2025-02-30", "268"},
        {"card", "--today", "20251020", "268"},
        {"card", "--metrics", "wide", "268"},
        {"card", "--bogus", "268"},
        {"card", "-o", png, "--dpi", "0", "268"},
        {"card", "-o", png, "--dpi", "many", "268"},
        {"card", "-o", png, "268", "460"},
        {"card", "-o", folder.filePath("card.svg"), "268", "460"},
        {"card", "-o", folder.filePath("card.txt"), "268"},
        {"card", "--format", "pdf", "268"},
        {"card", "-5"},
    };
    for (const QStringList& arguments : usages) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ProcessRun run = RunVelmaro(QStringList(arguments) << "--data-dir" << ExampleData());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(CardCommand, HelpExplainsEveryOptionAndTheExitStatuses) {
    const ProcessRun run = RunVelmaro({"card", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* words :
         {"--data-dir", "--format", "-o, --output", "--today", "--metrics", "--dpi", "png", "pdf",
          "svg", "ops", "Exit status", "0 ", "1 ", "2 ", "Matricola NON Trovata"}) {
        EXPECT_NE(run.out.find(words), std::string::npos) << words;
    }
}

}  // namespace
}  // namespace velmaro
