// The data folder: which one is used and how an error says where the program looked; and that
// no output may take the place of a data file: by its name, a link, another name of the same
// file, or the name of a record file that is missing.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/data_dir_choice.h"
#include "store/data_file_guard.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

TEST(ChooseDataDir, OptionThenEnvironmentThenSettingsThenExecutableFolder) {
    struct Case {
        DataDirSources sources;
        std::string dataDir;
        DataDirOrigin origin;
    };
    const std::string exe = "/opt/velmaro/bin";
    const std::vector<Case> cases{
        {{"/o", "/e", "/s", exe, {}}, "/o/", DataDirOrigin::kOption},
        {{{}, "/e", "/s", exe, {}}, "/e/", DataDirOrigin::kEnvironment},
        {{{}, {}, "/s", exe, {}}, "/s/", DataDirOrigin::kSettings},
        {{{}, {}, {}, exe, {}}, "/opt/velmaro/bin/", DataDirOrigin::kExecutableFolder},
        // An empty value names no folder: the next place is asked.
        {{"", "", "/s", exe, {}}, "/s/", DataDirOrigin::kSettings},
        {{{}, "", "", exe, {}}, "/opt/velmaro/bin/", DataDirOrigin::kExecutableFolder},
        // A folder is used as written, relative or with its own trailing "/".
        {{"data", {}, {}, exe, {}}, "data/", DataDirOrigin::kOption},
        {{{}, "/e/", {}, exe, {}}, "/e//", DataDirOrigin::kEnvironment},
    };
    for (const Case& c : cases) {
        const Result<DataDirChoice> choice = ChooseDataDir(c.sources);
        ASSERT_TRUE(choice.ok()) << c.dataDir;
        EXPECT_EQ(choice->dataDir, c.dataDir);
        EXPECT_EQ(choice->origin, c.origin) << c.dataDir;
    }
    // A settings file that cannot say which folder it names stops the choice where it is
    // asked, and only there: the executable's folder is not used in its place.
    const Error unreadable{"/home/u/.config/Velmaro/velmaro.conf", "cannot be read"};
    const DataDirSources settingsUnreadable{{}, "", "/s", exe, unreadable};
    ASSERT_FALSE(ChooseDataDir(settingsUnreadable).ok());
    EXPECT_EQ(ChooseDataDir(settingsUnreadable).error().Message(), unreadable.Message());
    const DataDirSources environmentFirst{{}, "/e", {}, exe, unreadable};
    EXPECT_EQ(ChooseDataDir(environmentFirst)->dataDir, "/e/");
}

TEST(WithDataDirOrigin, NamesTheFileTheFolderAndWhatChoseIt) {
    const Error missing{"/d/titoli.grp", "No such file or directory"};
    const std::vector<std::pair<DataDirOrigin, std::string>> cases{
        {DataDirOrigin::kOption, "--data-dir"},
        {DataDirOrigin::kEnvironment, "VELMARO_DATA_DIR"},
        {DataDirOrigin::kSettings, "DataDir in the settings file"},
        {DataDirOrigin::kChosenInWindow, "chosen in the window"},
        {DataDirOrigin::kExecutableFolder, "the executable's folder"},
    };
    for (const auto& [origin, how] : cases) {
        const std::string message = WithDataDirOrigin(missing, {"/d/", origin}).Message();
        EXPECT_TRUE(
            message.starts_with("/d/titoli.grp: No such file or directory (data folder /d/, ") &&
            message.find(how) != std::string::npos)
            << message;
    }
    // Only the folder nobody chose explains how to choose one.
    EXPECT_NE(WithDataDirOrigin(missing, {"/d/", DataDirOrigin::kExecutableFolder})
                  .Message()
                  .find("VELMARO_DATA_DIR"),
              std::string::npos);
}

TEST(RefuseDataFile, EveryNameOfADataFileIsRefusedAndNothingElse) {
    const testdata::TempDataDir folder;
    std::filesystem::create_directory(folder.PathOf("data"));
    std::filesystem::create_directory(folder.PathOf("out"));
    const std::string dataDir = folder.PathOf("data") + "/";
    // esami.dir is missing; velmara.dir, left empty, is a link to /dev/null.
    for (const char* name : {"elenco.dir", "esami.grp", "titoli.grp"})
        folder.Write(std::string("data/") + name, "data");
    ASSERT_EQ(::symlink("../data/esami.grp", folder.PathOf("out/exams.pdf").c_str()), 0);
    ASSERT_EQ(
        ::link(folder.PathOf("data/titoli.grp").c_str(), folder.PathOf("out/titles.pdf").c_str()),
        0);
    ASSERT_EQ(::symlink("../data", folder.PathOf("out/data").c_str()), 0);
    // Links, one through another, to the missing esami.dir: writing would make it.
    ASSERT_EQ(::symlink("../data/esami.dir", folder.PathOf("out/missing.pdf").c_str()), 0);
    ASSERT_EQ(::symlink("missing.pdf", folder.PathOf("out/chain.pdf").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", folder.PathOf("data/velmara.dir").c_str()), 0);

    for (const std::string name :
         {"data/elenco.dir", "data/../data/titoli.grp", "data/esami.dir", "out/exams.pdf",
          "out/titles.pdf", "out/data/titoli.grp", "out/missing.pdf", "out/chain.pdf"}) {
        const Status refused = RefuseDataFile(dataDir, folder.PathOf(name));
        ASSERT_FALSE(refused.ok()) << name;
        EXPECT_EQ(refused.error().file, folder.PathOf(name));
        EXPECT_EQ(refused.error().reason, "one of the data files, which Velmaro only reads");
    }
    for (const std::string name :
         {"data/5193.pdf", "data/elenco.dir.pdf", "out/elenco.dir", "missing/titoli.grp"}) {
        EXPECT_TRUE(RefuseDataFile(dataDir, folder.PathOf(name)).ok()) << name;
    }
    // A device is written as a stream, never replaced.
    EXPECT_TRUE(RefuseDataFile(dataDir, "/dev/null").ok());

    // A record file that is itself a link to a missing file is that file, wherever it would be
    // made.
    ASSERT_EQ(::symlink("esami.real", folder.PathOf("data/esami.dir").c_str()), 0);
    for (const std::string name : {"data/esami.dir", "data/esami.real", "out/missing.pdf"})
        EXPECT_FALSE(RefuseDataFile(dataDir, folder.PathOf(name)).ok()) << name;

    // A data file's bare name counts from the folder the program runs in.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.PathOf("data"));
    const bool bareNameRefused = !RefuseDataFile("./", "esami.dir").ok();
    const bool otherNameTaken = RefuseDataFile("./", "esami.pdf").ok();
    std::filesystem::current_path(before);
    EXPECT_TRUE(bareNameRefused && otherNameTaken);
}

}  // namespace
}  // namespace velmaro
