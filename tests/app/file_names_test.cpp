// File and folder names that are not UTF-8 (a folder named in Latin-1 on an old share): the
// built program opens and writes exactly the bytes it was given, and shows them escaped.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"
#include "ui/file_name_text.h"

namespace velmaro::testing {
namespace {

TEST(FileNames, NamesThatAreNotUtf8AreOpenedAndWrittenByteForByte) {
    // Removed by the bytes of its names, which QTemporaryDir could not name.
    const testdata::TempDataDir temporary;
    const std::string base = temporary.DataDir();
    // "dati\xe0", "carta\xe0.pdf"...: the Latin-1 "à".
    const std::string data = base + "dati\xe0";
    std::filesystem::copy(VELMARO_SAMPLE_DIR, data);
    const QString cd = "cd '" + QString::fromStdString(base) + "' && ";

    const auto run = [&](const char* script) { return RunVelmaroScript(cd + script); };
    const auto card = run(R"sh(
        printf '5193\n50\n' > "$(printf 'lista\340')" &&
        "$VELMARO" card --data-dir "$(printf 'dati\340')" --today=2025-10-20 \
            --from "$(printf 'lista\340')" -o "$(printf 'carta\340.pdf')" &&
        VELMARO_DATA_DIR="$(printf 'dati\340')" "$VELMARO" card --split "$(printf 'cartelle\340')" 5193
    )sh");
    EXPECT_EQ(card.exitCode, 0) << card.err;
    EXPECT_EQ(card.err, "");
    EXPECT_TRUE(std::filesystem::is_regular_file(base + "carta\xe0.pdf"));
    EXPECT_TRUE(std::filesystem::is_regular_file(base + "cartelle\xe0/5193.pdf"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(base),
                            std::filesystem::directory_iterator()),
              4);  // the data, the list, the card and the split folder: no name replaced

    const auto check = run(R"sh("$VELMARO" check --data-dir "$(printf 'dati\340')")sh");
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_EQ(check.out, "dati\\xe0/: no problems found\n");
    const auto json =
        run(R"sh("$VELMARO" check --format json --data-dir "$(printf 'dati\340')")sh");
    EXPECT_EQ(json.out, R"({"data_dir":"dati\\xe0/","clean":true,"problems":[]})"
                        "\n");

    // A folder whose name is those four characters is told apart from it there too.
    std::filesystem::copy(VELMARO_SAMPLE_DIR, base + "dati\\xe0");
    const auto literal = run(R"sh("$VELMARO" check --format json --data-dir 'dati\xe0')sh");
    EXPECT_EQ(literal.out, R"({"data_dir":"dati\\\\xe0/","clean":true,"problems":[]})"
                           "\n");

    const auto window = run(R"sh(
        QT_QPA_PLATFORM=offscreen "$VELMARO" --data-dir "$(printf 'dati\340')" --quit-after-show 5193
    )sh");
    EXPECT_EQ(window.exitCode, 0) << window.err;

    const auto missing = run(R"sh("$VELMARO" card --data-dir "$(printf 'dati\340/no')" 5193)sh");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("dati\\xe0/no/"), std::string::npos) << missing.err;
}

// The escapes that carry such bytes through Qt's text give every byte string back, and text
// that is UTF-8 as Qt reads it.
TEST(FileNames, EveryByteStringComesBackFromItsText) {
    const std::string names[] = {
        "cartella/scheda.pdf",
        "Universit\xc3\xa0",                       // UTF-8 "à"
        "Universit\xe0",                           // Latin-1 "à"
        "\xf0\x9f\x93\x84 \xe2\x82\xac",           // a four- and a three-byte character
        "\xc3",                                    // cut short
        "\xc0\xaf \xed\xb2\x80 \xf4\x90\x80\x80",  // overlong, a surrogate, past U+10FFFF
        std::string("\x80\xff\x00x", 4)};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const QString text = FileNameText(name);
        EXPECT_EQ(FileNameBytes(text), name);
        const QString qtText = QString::fromUtf8(name.data(), qsizetype(name.size()));
        if (!qtText.contains(QChar::ReplacementCharacter)) {
            EXPECT_EQ(text, qtText);
        }
        EXPECT_EQ(Utf8Text(name), qtText.toStdString());
    }
    EXPECT_EQ(FileNameBytes(QString(QChar(0xD800))), "\xef\xbf\xbd");  // stands for no byte
}

}  // namespace
}  // namespace velmaro::testing
