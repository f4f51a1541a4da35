// A start-up whose data does not load: the error shown, another folder tried, the folder that
// loads remembered.

#include "app/data_dir_startup.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/data_dir_settings.h"
#include "ui/italian_message.h"

namespace velmaro {
namespace {

using ::testing::HasSubstr;

// Answers each error with the next folder of picks (nothing once they run out), and notes what
// it was shown and asked to remember.
struct ScriptedPrompt final : StartupPrompt {
    std::optional<std::string> AskForFolder(const Error& error) override {
        shown.push_back(error.Message());
        if (picks.empty()) return std::nullopt;
        std::string folder = picks.front();
        picks.pop_front();
        return folder;
    }
    Status Remember(const std::string& folder) override {
        remembered.push_back(folder);
        return canRemember ? Ok()
                           : Status(Error{"/home/u/.config/Velmaro/velmaro.conf", "read-only"});
    }
    void Warn(const Error& error) override { warnings.push_back(error.Message()); }

    std::deque<std::string> picks;
    bool canRemember = true;
    std::vector<std::string> shown, remembered, warnings;
};

// Loads from the folders in good; any other reports its missing registry.
struct FakeLoad {
    Status operator()(const std::string& dataDir) {
        tried.push_back(dataDir);
        return good.count(dataDir)
                   ? Ok()
                   : Status(Error{dataDir + "elenco.dir", "No such file or directory"});
    }
    std::set<std::string> good;
    std::vector<std::string> tried;
};

TEST(LoadWithFolderChoice, PicksAreTriedUntilOneLoadsAndOnlyThatOneIsRemembered) {
    struct Case {
        std::deque<std::string> picks;
        std::set<std::string> good;
        bool canRemember;
        std::vector<std::string> tried, remembered;  // the last one tried loads, unless not good
        bool settingsUnreadable = false;  // no folder chosen: the settings file cannot say
    };
    const std::vector<Case> cases{
        // Data that loads asks nothing and remembers nothing.
        {{}, {"/env/"}, true, {"/env/"}, {}},
        {{"/wrong", "/right"}, {"/right/"}, true, {"/env/", "/wrong/", "/right/"}, {"/right"}},
        // Giving up returns the last error and remembers nothing.
        {{"/wrong"}, {}, true, {"/env/", "/wrong/"}, {}},
        // A folder that cannot be remembered is still used, with a warning.
        {{"/right"}, {"/right/"}, false, {"/env/", "/right/"}, {"/right"}},
        // No folder chosen: why is shown first, and a folder picked is tried and remembered.
        {{"/right"}, {"/right/"}, true, {"/right/"}, {"/right"}, true},
        {{}, {}, true, {}, {}, true},
    };
    const Error unreadableSettings{"/home/u/.config/Velmaro/velmaro.conf",
                                   "the settings file cannot be read (Permission denied)"};
    for (const Case& c : cases) {
        SCOPED_TRACE((c.tried.empty() ? "nothing" : c.tried.back()) +
                     (c.canRemember ? "" : " not remembered") +
                     (c.settingsUnreadable ? " after unreadable settings" : ""));
        ScriptedPrompt prompt;
        prompt.picks = c.picks;
        prompt.canRemember = c.canRemember;
        FakeLoad load{c.good, {}};
        const Result<DataDirChoice> chosen =
            c.settingsUnreadable ? Result<DataDirChoice>(unreadableSettings)
                                 : DataDirChoice{"/env/", DataDirOrigin::kEnvironment};
        const auto loaded = LoadWithFolderChoice(chosen, std::ref(load), prompt);
        EXPECT_EQ(load.tried, c.tried);
        const bool loads = !c.tried.empty() && c.good.count(c.tried.back()) == 1;
        // Each error shown names the folder that failed and what chose it; the settings file
        // when it could choose none.
        std::vector<std::string> failed = c.tried;
        if (loads) failed.pop_back();
        if (c.settingsUnreadable) failed.insert(failed.begin(), "");
        ASSERT_EQ(prompt.shown.size(), failed.size());
        for (std::size_t i = 0; i < prompt.shown.size(); ++i) {
            if (failed[i].empty()) {
                EXPECT_EQ(prompt.shown[i], unreadableSettings.Message());
                continue;
            }
            EXPECT_THAT(prompt.shown[i], HasSubstr(failed[i] + "elenco.dir"));
            EXPECT_THAT(prompt.shown[i],
                        HasSubstr(i ? "chosen in the window" : "VELMARO_DATA_DIR"));
        }
        EXPECT_EQ(prompt.remembered, c.remembered);
        // A folder that cannot be kept is a warning; one kept in place of the variable's, a
        // note that the variable still decides.
        std::vector<std::string> warnings;
        if (!c.remembered.empty() && !c.canRemember) {
            warnings.push_back("/home/u/.config/Velmaro/velmaro.conf: read-only");
        } else if (!c.remembered.empty() && !c.settingsUnreadable) {
            warnings.push_back(
                "the folder chosen is kept in the settings, but while VELMARO_DATA_DIR is set, "
                "each start takes the folder it gives");
        }
        EXPECT_EQ(prompt.warnings, warnings);
        if (!loads) {
            ASSERT_FALSE(loaded.ok());
            EXPECT_EQ(loaded.error().Message(), prompt.shown.back());
            continue;
        }
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(loaded->dataDir, c.tried.back());
        EXPECT_EQ(loaded->origin,
                  c.picks.empty() ? DataDirOrigin::kEnvironment : DataDirOrigin::kChosenInWindow);
    }
}

// A folder picked in place of one given by --data-dir is kept with a note that the option still
// comes first; in place of the settings' or the executable's folder, it simply takes their place.
TEST(LoadWithFolderChoice, AFolderPickedInPlaceOfTheOptionsIsKeptWithANote) {
    for (const auto& [origin, note] :
         {std::pair{DataDirOrigin::kOption,
                    "La cartella scelta è salvata nelle impostazioni, ma un avvio con --data-dir "
                    "usa ancora la cartella indicata lì"},
          {DataDirOrigin::kSettings, ""},
          {DataDirOrigin::kExecutableFolder, ""}}) {
        ScriptedPrompt prompt;
        prompt.picks = {"/right"};
        FakeLoad load{{"/right/"}, {}};
        const auto loaded =
            LoadWithFolderChoice(DataDirChoice{"/given/", origin}, std::ref(load), prompt);
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(prompt.remembered, std::vector<std::string>{"/right"});
        std::vector<std::string> italian;
        for (const std::string& warning : prompt.warnings)
            italian.push_back(ItalianMessage(Error{"", warning}));
        EXPECT_EQ(italian, *note ? std::vector<std::string>{note} : std::vector<std::string>{});
    }
}

// What message says, run as the user nobody when this process is root's (whom no permission
// binds), in a process of its own; as this process otherwise.
std::string AsAnUnprivilegedUser(const std::function<std::string()>& message) {
    if (::geteuid() != 0) return message();
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
        const std::string said = message();
        const bool written =
            ::write(pipeEnds[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? said : "the child failed";
}

// Sets an environment variable for as long as it lives, then puts back what was there.
struct ScopedVariable {
    ScopedVariable(const char* name, const QString& value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable() { wasSet ? qputenv(name, old) : qunsetenv(name); }
    const char* name;
    bool wasSet;
    QByteArray old;
};

// Writes text as path's whole content.
bool WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// What RememberDataDir says when settings cannot keep the folder chosen, for why.
std::string Unkept(const QString& settings, const std::string& why) {
    return settings.toStdString() +
           ": the folder chosen is used now, but could not be kept in the settings: " + why;
}

// A folder chosen in the window is kept in the user's settings file and read back as it was,
// a comma and a semicolon in its name included, whatever the system-wide file is; the rest of
// the file stays as it was written; a file that cannot be written is an error naming it, and
// one holding lines that are no settings is left as it was.
TEST(RememberDataDir, AFolderKeptIsReadBackAsItWas) {
    QTemporaryDir config;
    const ScopedVariable dirs("XDG_CONFIG_DIRS", config.filePath("system"));
    // The system-wide file cannot be read: it is a folder.
    ASSERT_TRUE(QDir().mkpath(config.filePath("system/Velmaro/velmaro.conf")));
    const std::string folder = "/srv/Segreteria, Economia;2024";
    {
        const ScopedVariable home("XDG_CONFIG_HOME", config.filePath("user"));
        ASSERT_TRUE(RememberDataDir(folder).ok());
        const DataDirSources read = CurrentDataDirSources(std::nullopt);
        ASSERT_FALSE(read.settingsProblem) << read.settingsProblem->Message();
        EXPECT_EQ(read.settings, folder);
    }
    // The user's file has a line that is no setting: Qt would drop it and write the rest anew.
    {
        const ScopedVariable home("XDG_CONFIG_HOME", config.filePath("user"));
        QFile typed(config.filePath("user/Velmaro/velmaro.conf"));
        const QByteArray text = "[General\nDataDir /srv/dati\n";
        ASSERT_TRUE(WriteText(typed.fileName(), text));
        const Status unsaved = RememberDataDir(folder);
        ASSERT_FALSE(unsaved.ok());
        EXPECT_THAT(unsaved.error().Message(),
                    HasSubstr("velmaro.conf: the folder chosen is used now, but could not be "
                              "kept in the settings: the file holds lines"));
        EXPECT_THAT(ItalianMessage(unsaved.error()),
                    HasSubstr("velmaro.conf: la cartella scelta vale per questa volta, ma non si "
                              "è potuta salvare nelle impostazioni: il file contiene righe che "
                              "non sono impostazioni"));
        ASSERT_TRUE(typed.open(QIODevice::ReadOnly));
        EXPECT_EQ(typed.readAll(), text);
    }
    // A file written by hand keeps its comments, its layout and its other settings, its
    // permissions, and the link it is reached by; only the folder's line changes.
    {
        const ScopedVariable home("XDG_CONFIG_HOME", config.filePath("linked"));
        ASSERT_TRUE(QDir().mkpath(config.filePath("linked/Velmaro")));
        const QString target = config.filePath("dotfiles.conf");
        ASSERT_TRUE(QFile::link(target, config.filePath("linked/Velmaro/velmaro.conf")));
        QFile typed(target);
        ASSERT_TRUE(WriteText(target,
                              "; Cartella dei dati: la imposta il CED\n[General]\nDataDir = "
                              "/srv/old\nAltro=1\n\n[Finestra]\n; larghezza\nW=3\n"));
        ASSERT_EQ(::chmod(target.toLocal8Bit(), 0640), 0);
        ASSERT_TRUE(RememberDataDir(folder).ok());
        ASSERT_TRUE(typed.open(QIODevice::ReadOnly));
        EXPECT_EQ(typed.readAll().toStdString(),
                  "; Cartella dei dati: la imposta il CED\n[General]\nDataDir=\"" + folder +
                      "\"\nAltro=1\n\n[Finestra]\n; larghezza\nW=3\n");
        EXPECT_EQ(CurrentDataDirSources(std::nullopt).settings, folder);
        EXPECT_EQ(QFileInfo(config.filePath("linked/Velmaro/velmaro.conf")).symLinkTarget(),
                  target);
        struct stat info {};
        ASSERT_EQ(::stat(target.toLocal8Bit(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
    }
    // The user's settings folder lies under a file: nothing can be saved there.
    ASSERT_TRUE(QFile(config.filePath("plain")).open(QIODevice::WriteOnly));
    const ScopedVariable home("XDG_CONFIG_HOME", config.filePath("plain"));
    const Status unsaved = RememberDataDir(folder);
    ASSERT_FALSE(unsaved.ok());
    EXPECT_EQ(unsaved.error().Message(),
              Unkept(config.filePath("plain/Velmaro/velmaro.conf"),
                     "its folder " + config.filePath("plain/Velmaro").toStdString() +
                         " cannot be made (Not a directory)"));
    EXPECT_EQ(ItalianMessage(unsaved.error()),
              config.filePath("plain/Velmaro/velmaro.conf").toStdString() +
                  ": la cartella scelta vale per questa volta, ma non si è potuta salvare nelle "
                  "impostazioni: la sua cartella " +
                  config.filePath("plain/Velmaro").toStdString() +
                  " non si può creare (non è una cartella)");
    // The user's settings file is a folder.
    const ScopedVariable inFolder("XDG_CONFIG_HOME", config.filePath("user"));
    ASSERT_TRUE(QFile::remove(config.filePath("user/Velmaro/velmaro.conf")));
    ASSERT_TRUE(QDir().mkpath(config.filePath("user/Velmaro/velmaro.conf")));
    const Status inPlaceOfAFolder = RememberDataDir(folder);
    ASSERT_FALSE(inPlaceOfAFolder.ok());
    EXPECT_EQ(
        inPlaceOfAFolder.error().Message(),
        Unkept(config.filePath("user/Velmaro/velmaro.conf"), "the settings file is a folder"));
    EXPECT_EQ(QDir(config.filePath("user/Velmaro"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"velmaro.conf"})
        << "nothing is left behind";

    // A settings file its owner made read-only, kept by a user its permissions bind (root is
    // not: the test then keeps it as nobody, in a process of its own).
    const QString readOnly = config.filePath("ro/Velmaro/velmaro.conf");
    ASSERT_TRUE(QDir().mkpath(config.filePath("ro/Velmaro")));
    ASSERT_EQ(::chmod(config.path().toLocal8Bit(), 0755), 0);
    ASSERT_TRUE(WriteText(readOnly, "[General]\n"));
    ASSERT_EQ(::chmod(readOnly.toLocal8Bit(), 0444), 0);
    const ScopedVariable readOnlyHome("XDG_CONFIG_HOME", config.filePath("ro"));
    EXPECT_EQ(AsAnUnprivilegedUser([&] { return RememberDataDir(folder).error().Message(); }),
              Unkept(readOnly, "the settings file cannot be written (Permission denied)"));
}

}  // namespace
}  // namespace velmaro
