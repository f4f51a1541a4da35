// The window's boxes in Italian: the errors the data, the files and the system really give,
// as the window shows them, with every name they quote kept as it stands.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "app/card_run.h"
#include "base/system_reason.h"
#include "store/data_dir_choice.h"
#include "store/data_file_guard.h"
#include "store/data_store.h"
#include "store/text_file.h"
#include "tests/store/data_files.h"
#include "ui/italian_message.h"

namespace velmaro {
namespace {

using testdata::TempDataDir;

std::string LoadError(const std::string& dataDir) {
    Result<DataStore> store = DataStore::LoadTables(dataDir);
    return store ? std::string("loaded") : ItalianMessage(store.error());
}

// The warnings before the window opens on dataDir, in Italian; the load's error if it fails.
std::vector<std::string> ItalianWarnings(const std::string& dataDir) {
    Result<DataStore> store = DataStore::LoadTables(dataDir);
    if (!store) return {store.error().Message()};
    std::vector<std::string> italian;
    for (const std::string& warning : MissingDataWarnings(*store, dataDir))
        italian.push_back(ItalianMessage(Error{"", warning}));
    return italian;
}

// A data folder that cannot be loaded is said with where the folder was given; the folder's
// name is never translated, even where it reads like one of the program's own texts.
TEST(WindowMessages, ADataFolderThatCannotBeLoadedIsSaidInItalian) {
    const TempDataDir parent;
    for (const std::string odd :
         {"is a folder (data folder x, given with --data-dir)", "Dati 2024, copia: vecchia"}) {
        SCOPED_TRACE(odd);
        const std::string dataDir = DataDirOf(parent.DataDir() + odd);
        std::filesystem::create_directory(dataDir);
        Result<DataStore> store = DataStore::LoadTables(dataDir);
        ASSERT_FALSE(store.ok());
        for (const auto& [choice, origin] :
             {std::pair{DataDirChoice{dataDir, DataDirOrigin::kOption}, "indicata con --data-dir"},
              {DataDirChoice{dataDir, DataDirOrigin::kEnvironment}, "indicata da VELMARO_DATA_DIR"},
              {DataDirChoice{dataDir, DataDirOrigin::kSettings, "/home/u/velmaro.conf"},
               "indicata da DataDir in /home/u/velmaro.conf"},
              {DataDirChoice{dataDir, DataDirOrigin::kSettings},
               "indicata da DataDir nel file delle impostazioni"},
              {DataDirChoice{dataDir, DataDirOrigin::kChosenInWindow}, "scelta nella finestra"},
              {DataDirChoice{dataDir, DataDirOrigin::kExecutableFolder},
               "la cartella del programma; per sceglierne un'altra usare --data-dir, "
               "VELMARO_DATA_DIR o DataDir nel file delle impostazioni"}}) {
            EXPECT_EQ(ItalianMessage(WithDataDirOrigin(store.error(), choice)),
                      dataDir + "titoli.grp: file o cartella inesistente (cartella dei dati " +
                          dataDir + ", " + origin + ")");
        }
    }

    // A folder that is not there, or is a file, is named itself rather than its first file.
    EXPECT_EQ(LoadError(parent.DataDir() + "none/"),
              parent.DataDir() + "none/: file o cartella inesistente");
    parent.Write("plain", "");
    EXPECT_EQ(LoadError(parent.DataDir() + "plain/"),
              parent.DataDir() + "plain/: non è una cartella");
    // A folder given from the working folder ("dati") keeps its first letter, as a path does.
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::current_path(parent.DataDir());
    EXPECT_EQ(LoadError("dati/"), "dati/: file o cartella inesistente");
    std::filesystem::create_directory("dati");
    parent.Write("dati/titoli.grp", "01 LICEO\r\n");
    parent.Write("dati/esami.grp", "A1ABCDANALISI\r\n");
    parent.Write("dati/elenco.dir", testdata::Slot("00001ROSSI MARIO", kRegistrySlotSize));
    EXPECT_EQ(ItalianWarnings("dati/").at(0),
              "dati/esami.dir manca: nelle schede i record degli esami risultano vuoti");
    std::filesystem::current_path(working);

    // Each table and the registry in turn: a folder in a file's place, an empty registry.
    const TempDataDir data;
    std::filesystem::create_directory(data.PathOf("titoli.grp"));
    EXPECT_EQ(LoadError(data.DataDir()),
              data.PathOf("titoli.grp") + ": è una cartella, non un file di dati");
    std::filesystem::remove(data.PathOf("titoli.grp"));
    for (const char* file : {"titoli.grp", "esami.grp", "elenco.dir"})
        data.Write(file, "");
    EXPECT_EQ(LoadError(data.DataDir()),
              data.PathOf("elenco.dir") + ": l'elenco degli studenti non contiene studenti");
    // A table far beyond any real one, and a file too large for the memory left.
    data.Write("titoli.grp", std::string(1'000'001, '\n'));
    EXPECT_EQ(LoadError(data.DataDir()),
              data.PathOf("titoli.grp") +
                  ": contiene più di 1.000.000 di righe, come nessuna tabella (una vera ne "
                  "contiene qualche migliaio): non è una tabella di codici e nomi, uno per riga");
    EXPECT_EQ(ItalianMessage(Error{"", *WhyTooLargeToHold(1000, "holds", 1000)}),
              "Contiene 1000 byte, troppi per leggerlo per intero: servono circa 1500 byte, più "
              "dei 1000 byte di memoria che restano a Velmaro qui (il minimo che gli lasciano la "
              "macchina, i suoi limiti e il suo gruppo di controllo)");
}

// The warnings before the window opens, and a card saved over a data file.
TEST(WindowMessages, WarningsOfMissingDataAndARefusedFileAreInItalian) {
    const TempDataDir data;
    data.Write("titoli.grp", "");
    // Blank lines alone, as an editor's save gone wrong leaves them, show no more than none.
    data.Write("esami.grp", "\r\n   \r\n\r\n");
    data.Write("elenco.dir", testdata::Slot("00001ROSSI MARIO", kRegistrySlotSize));
    data.Write("esami.dir", "");
    EXPECT_EQ(ItalianWarnings(data.DataDir()),
              (std::vector<std::string>{
                  data.PathOf("esami.dir") +
                      " è vuoto: nelle schede i record degli esami risultano vuoti",
                  data.PathOf("velmara.dir") +
                      " manca: nelle schede i record degli anni di carriera risultano vuoti",
                  data.DataDir() + "esami.grp contiene solo righe vuote: le schede non mostrano i "
                                   "nomi degli esami",
                  data.DataDir() + "titoli.grp non contiene righe: le schede non mostrano i "
                                   "titoli di diploma"}));

    // Record files cut within a record, as an interrupted copy leaves them.
    const TempDataDir cut;
    cut.Write("titoli.grp", "01 LICEO\r\n");
    cut.Write("esami.grp", "A1ABCDANALISI\r\n");
    cut.Write("elenco.dir", testdata::Slot("00001ROSSI MARIO", kRegistrySlotSize) + "abc");
    cut.Write("esami.dir", std::string(kExamSlotSize + 5, ' '));
    cut.Write("velmara.dir", std::string(kYearSlotSize, ' '));
    EXPECT_EQ(
        ItalianWarnings(cut.DataDir()),
        (std::vector<std::string>{cut.PathOf("elenco.dir") +
                                      " finisce a metà di un record (3 di 62 byte), come una copia "
                                      "interrotta: gli studenti oltre la sua fine non si trovano",
                                  cut.PathOf("esami.dir") +
                                      " finisce a metà di un record (5 di 17 byte), come una copia "
                                      "interrotta: gli esami oltre la sua fine risultano vuoti"}));

    // A registry ending in a slot of blanks: no key, and no student found.
    cut.Write("elenco.dir", testdata::Slot("00001ROSSI MARIO", kRegistrySlotSize) +
                                std::string(kRegistrySlotSize, ' '));
    cut.Write("esami.dir", "");
    EXPECT_EQ(ItalianWarnings(cut.DataDir()).back(),
              cut.PathOf("elenco.dir") +
                  " finisce con un record la cui chiave non è un numero da 1 in su: la ricerca non "
                  "va oltre "
                  "la chiave dell'ultimo record, quindi nessuno studente viene trovato");

    const Status refused = RefuseDataFile(data.DataDir(), data.PathOf("elenco.dir"));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(
        ItalianMessage(refused.error()),
        data.PathOf("elenco.dir") +
            ": è uno dei file di dati, che Velmaro non sovrascrive mai: scegliere un altro nome");
}

// The system's texts for a file or a disk that fails; a text the window cannot know (a
// printer's own words, a system text already in another language) is shown as it came.
TEST(WindowMessages, SystemTextsAreTranslatedAndUnknownTextsKept) {
    for (const auto& [error, italian] : {std::pair{ENOENT, "file o cartella inesistente"},
                                         {EACCES, "permesso negato"},
                                         {ENOSPC, "spazio esaurito sul dispositivo"},
                                         {EIO, "errore di input/output"},
                                         {EROFS, "file system in sola lettura"},
                                         {EDQUOT, "quota del disco superata"},
                                         {EMFILE, "troppi file aperti"},
                                         {ENFILE, "troppi file aperti nel sistema"},
                                         {ENOMEM, "memoria esaurita"},
                                         {EFBIG, "file troppo grande"}}) {
        EXPECT_EQ(ItalianReason(SystemReason(error)), italian) << SystemReason(error);
    }
    for (const char* kept : {"Fichier ou dossier inexistant", "Toner low", ""})
        EXPECT_EQ(ItalianReason(kept), kept);
    // A reason about a part of the path; one whose quoted parts hold its words many times over
    // is translated as soon.
    EXPECT_EQ(ItalianReason("/srv/schede: No such file or directory"),
              "/srv/schede: file o cartella inesistente");
    std::string folders;
    for (int i = 0; i < 200; ++i)
        folders += "a: (data folder b, ";
    EXPECT_EQ(ItalianReason(folders + ": Not a directory"), folders + ": non è una cartella");
    // A path as long as a system allows, made of the phrases' words, is translated too.
    std::string colons = "/srv/";
    std::string inFolders = "/srv/";
    while (colons.size() < 4000)
        colons += ": ";
    while (inFolders.size() < 4000)
        inFolders += ") (data folder , ";
    EXPECT_EQ(ItalianReason(colons + ": Not a directory"), colons + ": non è una cartella");
    EXPECT_EQ(
        ItalianReason("Not a directory (data folder " + inFolders + "/, given with --data-dir)"),
        "non è una cartella (cartella dei dati " + inFolders + "/, indicata con --data-dir)");
    EXPECT_EQ(ItalianMessage(Error{"/x/card.pdf", "Toner low"}), "/x/card.pdf: Toner low");
    EXPECT_EQ(ItalianMessage(Error{"printer Ufficio 2", "the printer is stopped"}),
              "Stampante Ufficio 2: la stampante è ferma");
}

}  // namespace
}  // namespace velmaro
