// `velmaro card` end to end: the built executable run as a user runs it, without a display.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "store/data_store.h"
#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"
#include "tests/support/ink.h"
#include "tests/support/ops_compare.h"
#include "tests/support/pdf_words.h"
#include "tests/support/program_output.h"
#include "tests/support/text_boxes.h"
#include "ui/italian_message.h"

namespace velmaro::testing {
namespace {

const QString kData = VELMARO_EXAMPLES_DIR "/data";

// Also where the data files come a few bytes per read, as from some network shares.
TEST(CardCommand, WorkedExampleRecordingMatchesCardByCard) {
    std::istringstream lines(ReadTextFile(VELMARO_EXAMPLES_DIR "/typed.txt"));
    std::vector<std::string> typed;
    for (std::string line; std::getline(lines, line);)
        typed.push_back(line);
    ASSERT_EQ(typed.size(), 38u);
    QStringList arguments = CardOf(kData, {"--format=ops", "--metrics=fixed", "--"});
    for (const std::string& number : typed)
        arguments << AsQString(number);
    const std::string expected = ReadTextFile(VELMARO_EXAMPLES_DIR "/expected.ops");
    // Standard error holds one line per number not on file, and nothing else.
    std::string notFound;
    const auto cards = SplitOpsCards(expected);
    for (std::size_t i = 0; i < std::min(cards.size(), typed.size()); ++i) {
        if (cards[i].lines == std::vector<std::string>{"notfound"})
            notFound += "Matricola NON Trovata: " + typed[i] + "\n";
    }
    EXPECT_EQ(std::count(notFound.begin(), notFound.end(), '\n'), 7);
    for (const auto& environment :
         {QProcessEnvironment(), WithFaults({{"VELMARO_SHORT_READS", "1"}})}) {
        const ProcessRun run = RunVelmaro(arguments, environment);
        EXPECT_TRUE(Ended(run, 1, notFound));
        for (const std::string& difference : CompareOps(run.out, expected))
            ADD_FAILURE() << difference;
    }
}

// Builds the locales named source.charmap (it_IT.UTF-8, say) into folder, for one test alone;
// false when localedef cannot.
bool BuildLocales(const QTemporaryDir& folder, const QStringList& names) {
    for (const QString& name : names) {
        QProcess localedef;
        localedef.start("localedef", {"-i", name.section('.', 0, 0), "-f", name.section('.', 1),
                                      folder.filePath(name)});
        // localedef ends with 1 for warnings only; whether it built the locale its files tell.
        if (!localedef.waitForFinished(120000) || localedef.exitCode() > 1 ||
            !QFile::exists(folder.filePath(name + "/LC_NUMERIC")))
            return false;
    }
    return true;
}

// The environment of a program run in locale, found in folder.
QProcessEnvironment InLocale(const QTemporaryDir& folder, const QString& locale) {
    return Environment({{"LOCPATH", folder.path()}, {"LC_ALL", locale}});
}

TEST(CardCommand, AveragesTakeTheLocalesDecimalSeparatorAndNothingElseDoes) {
    QTemporaryDir locales;
    ASSERT_TRUE(BuildLocales(locales, {"it_IT.UTF-8"}));
    // The worked example's card with "," in its two averages only.
    std::string expected = ReadTextFile(VELMARO_EXAMPLES_DIR "/expected.ops");
    expected = expected.substr(0, expected.find("\ncard ") + 1);
    for (const char* average : {"\"26.56\"", "\"97.40\""})
        expected.at(expected.find(average) + 3) = ',';
    // Also when another category names a locale the system lacks, which fails the locale as a
    // whole: the separator is LC_NUMERIC's.
    // (LC_ALL empty is not set.)
    const QProcessEnvironment lacking = Environment({{"LOCPATH", locales.path()},
                                                     {"LC_ALL", ""},
                                                     {"LANG", "it_IT.UTF-8"},
                                                     {"LC_TIME", "xx_XX.UTF-8"}});
    for (const QProcessEnvironment& italian : {InLocale(locales, "it_IT.UTF-8"), lacking}) {
        const ProcessRun run = RunVelmaro(CardOf(kData, {"--metrics=fixed", "268"}), italian);
        ASSERT_TRUE(Ended(run, 0, ""));
        for (const std::string& difference : CompareOps(run.out, expected))
            ADD_FAILURE() << difference;
    }
}

// The system's reasons come in the user's language, in UTF-8 in every command, also in a locale
// of another character set: "Non è una directory", not "Non \xe8 una directory" (the bytes of
// ISO-8859-1 shown escaped) nor, from the check alone, English.
TEST(CardCommand, TheSystemsReasonsAreUtf8InTheUsersLanguage) {
    QTemporaryDir locales;
    ASSERT_TRUE(BuildLocales(locales, {"it_IT.ISO-8859-1", "C.UTF-8"}));
    QTemporaryDir folder;
    const QString notAFolder = folder.filePath("file");
    ASSERT_TRUE(QFile(notAFolder).open(QIODevice::WriteOnly));
    for (const QStringList& command : {QStringList{"card", "--data-dir", notAFolder, "5193"},
                                       QStringList{"check", "--data-dir", notAFolder},
                                       CardOf(kData, {"-o", notAFolder + "/card.pdf", "268"})}) {
        const ProcessRun run = RunVelmaro(command, InLocale(locales, "it_IT.ISO-8859-1"));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(": Non \xc3\xa8 una directory"), std::string::npos) << run.err;
    }
}

TEST(CardCommand, PngIsAnA4PageAtTheResolutionHoldingTheCard) {
    // Asks for a display there is not: the command needs none.
    const QProcessEnvironment x11 = Environment({{"QT_QPA_PLATFORM", "xcb"}});
    // No --dpi: 150 dots per inch. The card is the same at every resolution: its ink, in
    // inches, covers the same area.
    std::vector<QRectF> inkInches;
    for (const auto& [dpi, size] : {std::pair{150, QSize(1240, 1754)}, {96, QSize(794, 1123)}}) {
        QTemporaryDir folder;
        const QString path = folder.filePath("card-268.png");
        QStringList arguments = CardOf(kData, {"-o", path, "268"});
        if (dpi != 150) arguments << "--dpi" << QString::number(dpi);
        ASSERT_TRUE(Ended(RunVelmaro(arguments, x11), 0, ""));
        QImage image;
        ASSERT_TRUE(image.load(path, "PNG"));
        EXPECT_EQ(image.size(), size);
        // Black and greys alone: one grey byte a pixel in the file.
        EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
        EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, dpi, 1);
        // Ink inside the printable area, none in the half-inch margins.
        const QRect printable = image.rect().marginsRemoved(QMargins() + dpi / 2);
        const Ink ink = InkOf(image);
        const int inkInside = InkOf(image, printable).pixels;
        EXPECT_GT(inkInside, 1000);
        EXPECT_EQ(ink.pixels - inkInside, 0);
        inkInches.emplace_back(ink.bounds.x() / double(dpi), ink.bounds.y() / double(dpi),
                               ink.bounds.width() / double(dpi), ink.bounds.height() / double(dpi));
    }
    ASSERT_EQ(inkInches.size(), 2u);
    EXPECT_NEAR(inkInches[1].width(), inkInches[0].width(), 0.02);
    EXPECT_NEAR(inkInches[1].height(), inkInches[0].height(), 0.02);
}

// The font library opens dozens of files at once: a low limit of open files (ulimit -n 8)
// gave a card in another font, or without any text, and status 0; its reading of its
// configuration takes some 90 KiB of stack, and a low limit of stack (ulimit -s 64) crashed the
// program. The card is the same where a limit can be raised, also on a split run's threads, and
// there is none where it cannot.
TEST(CardCommand, ALowLimitOfOpenFilesOrStackDrawsTheSameCard) {
    QTemporaryDir folder;
    std::vector<std::string> cards;
    const auto littleStack = Limiting(RLIMIT_STACK, 64 << 10, RLIM_INFINITY);
    for (const auto& inChild :
         {std::function<void()>(), Limiting(RLIMIT_NOFILE, 8, 4096), littleStack}) {
        const QString path = folder.filePath(QString("card-%1.png").arg(cards.size()));
        ASSERT_TRUE(
            Ended(RunVelmaro(CardOf(kData, {"-o", path, "268"}), {}, {}, {}, inChild), 0, ""));
        cards.push_back(testdata::FileBytes(path.toStdString()));
    }
    EXPECT_GT(cards[0].size(), 10000u);
    EXPECT_TRUE(cards[1] == cards[0]);
    EXPECT_TRUE(cards[2] == cards[0]);
    const QString split = folder.filePath("split");
    EXPECT_TRUE(Ended(RunVelmaro(CardOf(kData, {"--split", split, "--jobs", "2", "--format", "png",
                                                "268", "460"}),
                                 {}, {}, {}, littleStack),
                      0, ""));
    EXPECT_TRUE(testdata::FileBytes(split.toStdString() + "/268.png") == cards[0]);

    // A limit that cannot be raised (bash's ulimit sets both): no card rather than a false one
    // or a crash, for one card and for a split run; the check, which draws nothing, still runs.
    for (const auto& [atMost, message] :
         {std::pair{Limiting(RLIMIT_NOFILE, 9),
                    "the process may open only 9 files at once (ulimit -n): the fonts need 32 or "
                    "more"},
          {Limiting(RLIMIT_STACK, 64 << 10),
           "the process may use only 64 KiB of stack (ulimit -s): drawing a card needs 256 KiB "
           "or more"}}) {
        for (const QString output : {"-o", "--split"}) {
            EXPECT_TRUE(Ended(RunVelmaro(CardOf(kData, {output, folder.filePath("c.png"), "268"}),
                                         {}, {}, {}, atMost),
                              2, "velmaro: " + std::string(message) + "\n"));
            EXPECT_FALSE(QFileInfo::exists(folder.filePath("c.png")));
        }
        EXPECT_TRUE(Ended(RunVelmaro({"check", "--data-dir", kSample}, {}, {}, {}, atMost), 0, ""));
        // Nor do the help texts and the version, which draw nothing.
        for (const QStringList& text :
             {QStringList{"--help"}, QStringList{"--version"}, QStringList{"card", "--help"}}) {
            const ProcessRun run = RunVelmaro(text, {}, {}, {}, atMost);
            EXPECT_EQ(run.exitCode, 0) << text.join(' ').toStdString() << ": " << run.err;
            EXPECT_FALSE(run.out.empty());
        }
    }
}

// Cards need a font with the card's letters: without one, a card would have its lines and dots
// and not one letter, with status 0. A font of other measures than Arial's draws the card with
// a warning; one that a PDF cannot embed (not TrueType) stops a PDF before any is written.
TEST(CardCommand, WithoutAFontForTheCardsLettersNoCardIsDrawnAndAStandInIsNamed) {
    QTemporaryDir folder;
    const auto fontConfig = [&](const QString& name, const QString& rules) {
        testdata::TempDataDir::WriteFile(
            folder.filePath(name).toStdString(),
            ("<?xml version=\"1.0\"?><fontconfig>" + rules + "<cachedir>" +
             folder.filePath("cache") + "</cachedir></fontconfig>")
                .toStdString());
        return Environment({{"FONTCONFIG_FILE", folder.filePath(name)}});
    };
    const auto card = [&](const QStringList& arguments, const QProcessEnvironment& fonts) {
        return RunVelmaro(CardOf(kData, arguments + QStringList{"268"}), fonts);
    };
    const std::string installLiberation =
        "install the package fonts-liberation2 (Liberation Sans, with Arial's measures)\n";
    const QProcessEnvironment noFonts = fontConfig("none.conf", "");
    EXPECT_TRUE(Ended(card({"-o", folder.filePath("c.png")}, noFonts), 2,
                      "velmaro: no font of this system draws the card's letters (\"Arial\" finds "
                      "no font): " +
                          installLiberation));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("c.png")));
    // Within a small limit of address space, the fonts installed may fail to load: said too.
    EXPECT_TRUE(Ended(RunVelmaro(CardOf(kData, {"-o", folder.filePath("c.png"), "268"}), noFonts,
                                 {}, {}, Limiting(RLIMIT_AS, rlim_t{900} << 20)),
                      2,
                      "velmaro: no font of this system draws the card's letters (\"Arial\" finds "
                      "no font): install the package fonts-liberation2 (Liberation Sans, with "
                      "Arial's measures); where fonts are installed, the limit of address space "
                      "(ulimit -v, 900 MiB) is too small for them to load\n"));
    // The font's measures are the recording's, unless they are fixed.
    EXPECT_EQ(card({"--format", "ops"}, noFonts).exitCode, 2);
    EXPECT_TRUE(Ended(card({"--format", "ops", "--metrics", "fixed"}, noFonts), 0, ""));
    // A family name that holds a line end is one line of the message still.
    const QString dejaVu = "/usr/share/fonts/truetype/dejavu";
    if (QFileInfo::exists(dejaVu)) {
        const ProcessRun odd =
            card({"-o", folder.filePath("d.png")},
                 fontConfig("odd.conf",
                            "<cachedir>" + folder.filePath("odd") + "</cachedir><dir>" + dejaVu +
                                "</dir><match target=\"scan\"><edit name=\"family\" "
                                "mode=\"assign\"><string>Deja&#10;Vu</string></edit></match>"));
        // The stand-in is the wider mono face: "30 e lode" runs past the page's right edge.
        EXPECT_TRUE(
            Ended(odd, 0,
                  "velmaro: warning: the card's font Arial is drawn with \"Deja\\x0aVu\", whose "
                  "letters are not Arial's size: texts may not fit their places; " +
                      installLiberation +
                      "velmaro: warning: the card of 268 runs past the right edge of its page, "
                      "where it is cut off (the window shows it whole)\n"));
    }
    // The system's fonts, cached anew: an empty SOURCE_DATE_EPOCH, which is none, makes the
    // font library complain while it writes its cache unless it is taken away.
    QProcessEnvironment emptyEpoch = fontConfig(
        "system.conf", "<dir>/usr/share/fonts</dir><include>/etc/fonts/conf.d</include>");
    emptyEpoch.insert("SOURCE_DATE_EPOCH", "");
    EXPECT_TRUE(Ended(card({"-o", folder.filePath("e.png")}, emptyEpoch), 0, ""));

    // A system set to hint fonts fully measures the card as one that hints slightly, its
    // default: the texts stay where they are.
    const ProcessRun hinted = card(
        {"--format", "ops"}, fontConfig("full.conf",
                                        "<include>/etc/fonts/fonts.conf</include><match "
                                        "target=\"font\"><edit name=\"hintstyle\" "
                                        "mode=\"assign\"><const>hintfull</const></edit></match>"));
    EXPECT_EQ(hinted.exitCode, 0) << hinted.err;
    EXPECT_TRUE(hinted.out == card({"--format", "ops"}, {}).out);

    // Only an OpenType font with PostScript outlines (CFF), which has a head table but no
    // TrueType outlines: the PDF says so before any card.
    const QString cff = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
    if (QFileInfo::exists(cff)) {
        QDir(folder.path()).mkdir("cff");
        QFile::link(cff, folder.filePath("cff/NimbusSans-Regular.otf"));
        const ProcessRun pdf =
            card({"-o", folder.filePath("c.pdf")},
                 fontConfig("cff.conf", "<dir>" + folder.filePath("cff") + "</dir>"));
        EXPECT_EQ(pdf.exitCode, 2);
        EXPECT_THAT(pdf.err, ::testing::HasSubstr("velmaro: the font Arial is found as \"Nimbus "
                                                  "Sans\", whose outlines are not TrueType"));
        EXPECT_FALSE(QFileInfo::exists(folder.filePath("c.pdf")));
    }

    // The system's fonts without Liberation Sans: "Arial" finds another family.
    const QProcessEnvironment otherFont = fontConfig(
        "other.conf",
        "<include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include><selectfont><rejectfont>"
        "<glob>/usr/share/fonts/truetype/liberation*/*</glob></rejectfont></selectfont>");
    QProcess match;
    QProcessEnvironment matching = QProcessEnvironment::systemEnvironment();
    matching.insert(otherFont);
    match.setProcessEnvironment(matching);
    match.start("fc-match", {"-f", "%{family[0]}|%{fontformat}", "Arial"});
    if (!match.waitForFinished() || match.exitCode() != 0) GTEST_SKIP() << "no fc-match";
    const QStringList found = QString::fromUtf8(match.readAllStandardOutput()).split('|');
    if (found.value(0).isEmpty() || found.value(0) == "Arial") GTEST_SKIP() << "no other font";
    const std::string family = "\"" + found[0].toStdString() + "\"";
    const ProcessRun substituted = card({"-o", folder.filePath("o.png")}, otherFont);
    EXPECT_TRUE(Ended(substituted, 0,
                      "velmaro: warning: the card's font Arial is drawn with " + family +
                          ", whose letters are not Arial's size: texts may not fit their "
                          "places; " +
                          installLiberation));
    // The window says it in a box, in Italian, before it opens.
    const std::string prefix = "velmaro: warning: ";
    const std::string said =
        substituted.err.substr(prefix.size(), substituted.err.size() - prefix.size() - 1);
    EXPECT_EQ(ItalianReason(said),
              "il carattere Arial della scheda è disegnato con " + family +
                  ", le cui lettere non hanno le misure di Arial: i testi potrebbero non stare al "
                  "loro posto; installare il pacchetto fonts-liberation2 (Liberation Sans, con le "
                  "misure di Arial)");
    const ProcessRun pdf =
        card({"--split", folder.filePath("split"), "--format", "pdf", "5193"}, otherFont);
    if (found.value(1) == "TrueType") {
        EXPECT_TRUE(Ended(pdf, 0, ""));
    } else {
        EXPECT_TRUE(Ended(pdf, 2,
                          "velmaro: the font Arial is found as " + family +
                              ", whose outlines are not TrueType and cannot be embedded in a "
                              "PDF: " +
                              installLiberation));
        EXPECT_FALSE(QFileInfo::exists(folder.filePath("split")));
    }
}

// A PDF of every card of the sample, after a number not found, which has no page: one page per
// card, no word printed over another. Each text of the recorded drawing stands on the page where
// the recording puts it: the top left corner of its first word's box is the printable area's
// corner plus the text's point. The text reads back as drawn, also characters the font lacks
// (each one is drawn as its missing-character box) and control characters (drawn as U+FFFD).
TEST(CardCommand, PdfTextsStandWhereTheDrawingPutsThemAndReadBackAsDrawn) {
    auto store = DataStore::LoadTables(DataDirOf(VELMARO_SAMPLE_DIR));
    ASSERT_TRUE(store.ok()) << store.error().Message();
    QStringList numbers{"99999", "5193\u2603\u5b66\t"};
    for (std::int64_t record = 1; record <= store->RegistryCount(); ++record)
        numbers << QString::number(RecordKey(*store->Registry().ReadRecord(record)));
    QTemporaryDir folder;
    const QString pdf = folder.filePath("cards.pdf");
    const ProcessRun recorded =
        RunVelmaro(CardOf(kSample, QStringList{"--format=ops", "--"} + numbers));
    EXPECT_TRUE(Ended(recorded, 1, "Matricola NON Trovata: 99999\n"));
    EXPECT_TRUE(Ended(RunVelmaro(CardOf(kSample, QStringList{"-o", pdf, "--"} + numbers)), 1,
                      "Matricola NON Trovata: 99999\n"));
    const auto pages = WordsPerPage(pdf);
    if (pages.empty()) GTEST_SKIP() << "poppler-utils are not installed";
    ASSERT_EQ(pages.size(), static_cast<std::size_t>(numbers.size() - 1));
    for (std::size_t page = 0; page < pages.size(); ++page) {
        ASSERT_GT(pages[page].size(), 30u) << "page " << page + 1;
        EXPECT_EQ(FirstOverlap(pages[page]), "") << "page " << page + 1;
    }
    const std::string firstPage = ProgramOutput("pdftotext", {"-l", "1", pdf, "-"}).toStdString();
    EXPECT_NE(firstPage.find("Matr.: 5193\u2603\u5b66\ufffd"), std::string::npos) << firstPage;

    constexpr double kMarginPoints = 36;
    const std::regex text(R"re(^text ([-\d.e]+) ([-\d.e]+) "([^ "\\<>&]+).*"$)re");
    std::istringstream lines(recorded.out);
    int page = -1;
    int checked = 0;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (line.rfind("card ", 0) == 0) ++page;
        if (line == "notfound") --page;  // a number not found has no page
        if (page < 0 || !std::regex_match(line, match, text)) continue;
        const double x = kMarginPoints + std::stod(match[1]) / 20;
        const double y = kMarginPoints + std::stod(match[2]) / 20;
        const auto& words = pages[static_cast<std::size_t>(page)];
        // A text that begins right where the one before it ends is read as one word with it.
        const auto word = std::find_if(words.begin(), words.end(), [&](const auto& box) {
            const bool starts = std::abs(box.left - x) < 0.05 && box.text.rfind(match[3], 0) == 0;
            const bool ends = box.left < x && box.text.ends_with(match[3].str());
            return (starts || ends) && std::abs(box.top - y) < 0.05;
        });
        ASSERT_NE(word, words.end()) << "page " << page + 1 << ": " << line;
        ++checked;
    }
    EXPECT_GT(checked, 30 * store->RegistryCount());
}

// What an SVG card file draws, as its XML says: the one clip path's rectangle, whether a white
// rectangle over the whole page comes before all else, the texts, lines and shapes drawn and how
// many of them lie outside the clip, the width each line and shape inherits, and how many have a
// vector-effect (not in SVG 1.1).
struct SvgDrawing {
    QString version;
    QRectF clip;
    bool whitePageFirst = false;
    int drawn = 0, drawnOutsideTheClip = 0, vectorEffects = 0;
    QStringList lineWidths;
};

SvgDrawing ReadSvgDrawing(const QByteArray& content) {
    static const QStringList kDrawn{"text",   "polyline", "path", "ellipse",
                                    "circle", "line",     "rect"};
    SvgDrawing drawing;
    QXmlStreamReader xml(content);
    // For each open element: whether it is or lies in a clipped group, and the stroke width.
    std::vector<std::pair<bool, QString>> open{{false, QString()}};
    bool inClipPath = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            inClipPath = inClipPath && xml.name() != u"clipPath";
            open.pop_back();
        }
        if (!xml.isStartElement()) continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const auto has = [&](const char* name) { return attributes.hasAttribute(name); };
        const auto value = [&](const char* name) { return attributes.value(name).toString(); };
        open.emplace_back(open.back().first || has("clip-path"),
                          has("stroke-width") ? value("stroke-width") : open.back().second);
        const QString name = xml.name().toString();
        if (name == "svg") drawing.version = value("version");
        inClipPath = inClipPath || name == "clipPath";
        if (name == "rect" && inClipPath) {
            drawing.clip = QRectF(value("x").toDouble(), value("y").toDouble(),
                                  value("width").toDouble(), value("height").toDouble());
        } else if (name == "rect" && drawing.drawn == 0) {
            drawing.whitePageFirst =
                value("fill") == "white" && value("width") == "100%" && value("height") == "100%";
        } else if (kDrawn.contains(name)) {
            ++drawing.drawn;
            if (!open.back().first) ++drawing.drawnOutsideTheClip;
            if (name == "text") continue;
            drawing.lineWidths << open.back().second;
            if (has("vector-effect")) ++drawing.vectorEffects;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return drawing;
}

// Well-formed XML also when the number was typed with control characters, which XML cannot
// hold: they are drawn as U+FFFD. The card stands on a white page and is cut at the printable
// area, as in the PNG and PDF files (a number typed 300 characters long reaches past it, and is
// warned of by its first 256), and its lines are half a point wide: a one-pixel hairline is not
// kept by every viewer.
TEST(CardCommand, SvgIsAValidDrawingHoldingTheCardsText) {
    QTemporaryDir folder;
    const QString path = folder.filePath("card.svg");
    for (const QString& number :
         {QString("268"), QString("268\x01\x1b"), "268" + QString(300, 'x')}) {
        const std::string cutOff =
            number.size() < 300
                ? ""
                : "velmaro: warning: the card of " + number.left(256).toStdString() +
                      "… runs past the right edge of its page, where it is cut "
                      "off (the window shows it whole)\n";
        ASSERT_TRUE(Ended(RunVelmaro(CardOf(kData, {"-o", path, "--", number})), 0, cutOff));
        QSvgRenderer renderer(path);
        EXPECT_TRUE(renderer.isValid());
        EXPECT_NEAR(renderer.viewBoxF().width() / renderer.viewBoxF().height(), 210.0 / 297, 0.002);
        const QByteArray content =
            QByteArray::fromStdString(testdata::FileBytes(path.toStdString()));
        EXPECT_TRUE(content.contains(">Storia Contemporanea<"));
        const SvgDrawing drawing = ReadSvgDrawing(content);
        EXPECT_EQ(drawing.version.toStdString(), "1.1");  // clip paths are not in the tiny profile
        EXPECT_TRUE(drawing.whitePageFirst);
        // The half-inch margins of an A4 page in twips (the paper size rounded to 0.01 inch).
        EXPECT_NEAR(drawing.clip.left(), 720, 0.5);
        EXPECT_NEAR(drawing.clip.top(), 720, 0.5);
        EXPECT_NEAR(drawing.clip.right(), 8.27 * 1440 - 720, 1);
        EXPECT_NEAR(drawing.clip.bottom(), 11.69 * 1440 - 720, 1);
        EXPECT_GT(drawing.drawn, 100);
        EXPECT_EQ(drawing.drawnOutsideTheClip, 0);
        EXPECT_GT(drawing.lineWidths.size(), 20);
        EXPECT_EQ(drawing.lineWidths.count("10"), drawing.lineWidths.size())
            << drawing.lineWidths.join(' ').toStdString();
        EXPECT_EQ(drawing.vectorEffects, 0);  // one-pixel hairlines among them
    }
}

// Cards in every format, and the check, start without the printing spooler's library, which
// with the dozen it brings would add a tenth to every start. The dynamic loader names each
// library it loads, dlopen's too, with LD_DEBUG=files.
TEST(CardCommand, NoCommandButPrintingLoadsTheSpoolerLibrary) {
    QTemporaryDir folder;
    for (const QString output : {"c.pdf", "c.png", "c.svg", ""}) {
        const QStringList arguments = output.isEmpty()
                                          ? QStringList{"check", "--data-dir", kData}
                                          : CardOf(kData, {"-o", folder.filePath(output), "268"});
        const ProcessRun run = RunVelmaro(arguments, Environment({{"LD_DEBUG", "files"}}));
        // The worked example's data holds problems for the check to find: status 1.
        EXPECT_EQ(run.exitCode, arguments.front() == "check" ? 1 : 0) << run.err;
        EXPECT_NE(run.err.find("libQt6Gui.so"), std::string::npos) << "the loader said nothing";
        EXPECT_EQ(run.err.find("libcups"), std::string::npos) << arguments.join(' ').toStdString();
    }
}

// Every message shows control characters escaped; the window, the card command and the check
// end with status 2 when the data does not load.
TEST(CardCommand, MessagesShowControlCharactersEscaped) {
    QTemporaryDir folder;
    const QString hostile = folder.filePath("x\x1b[2Jy");
    const std::string shown = folder.filePath("x\\x1b[2Jy").toStdString();
    const std::string notLoaded = "velmaro: " + shown + "/: No such file or directory " +
                                  "(data folder " + shown + "/, given with --data-dir)\n";
    const struct {
        QStringList arguments;
        int exitCode;
        std::string err;
    } cases[] = {{{"card", "--data-dir", hostile, "5193"}, 2, notLoaded},
                 {{"card", "--data-dir", VELMARO_SAMPLE_DIR, "--", "\x1b]0;owned\x07"},
                  1,
                  "Matricola NON Trovata: \\x1b]0;owned\\x07\n"},
                 {{"card", "--format", "\x1b[2J", "5193"},
                  2,
                  "velmaro: --format must be png, pdf, svg or ops, not '\\x1b[2J'\n"},
                 {{"--data-dir", hostile, "--quit-after-show"}, 2, notLoaded},
                 {{"check", "--data-dir", hostile}, 2, notLoaded}};
    for (const auto& c : cases) {
        const ProcessRun run =
            RunVelmaro(c.arguments, Environment({{"QT_QPA_PLATFORM", "offscreen"}}));
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace velmaro::testing
