// A start-up whose data does not load: the error shown, another folder tried, the folder that
// loads remembered.

#include "app/data_dir_startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

namespace velmaro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

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
        if (!canRemember) return Error{"/home/u/.config/Velmaro/velmaro.conf", "read-only"};
        return Ok();
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
        if (good.count(dataDir)) return Ok();
        return Error{dataDir + "elenco.dir", "No such file or directory"};
    }
    std::set<std::string> good;
    std::vector<std::string> tried;
};

const DataDirChoice kFromEnvironment{"/env/", DataDirOrigin::kEnvironment};

TEST(LoadWithFolderChoice, DataThatLoadsAsksNothingAndRemembersNothing) {
    ScriptedPrompt prompt;
    FakeLoad load{{"/env/"}, {}};
    const auto loaded = LoadWithFolderChoice(kFromEnvironment, std::ref(load), prompt);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->origin, DataDirOrigin::kEnvironment);
    EXPECT_THAT(prompt.shown, IsEmpty());
    EXPECT_THAT(prompt.remembered, IsEmpty());
}

TEST(LoadWithFolderChoice, PicksAreTriedUntilOneLoadsAndOnlyThatOneIsRemembered) {
    ScriptedPrompt prompt;
    prompt.picks = {"/wrong", "/right"};
    FakeLoad load{{"/right/"}, {}};
    const auto loaded = LoadWithFolderChoice(kFromEnvironment, std::ref(load), prompt);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->dataDir, "/right/");
    EXPECT_EQ(loaded->origin, DataDirOrigin::kChosenInWindow);
    EXPECT_THAT(load.tried, ElementsAre("/env/", "/wrong/", "/right/"));
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_THAT(prompt.shown[0], HasSubstr("/env/elenco.dir"));
    EXPECT_THAT(prompt.shown[0], HasSubstr("VELMARO_DATA_DIR"));
    EXPECT_THAT(prompt.shown[1], HasSubstr("/wrong/elenco.dir"));
    EXPECT_THAT(prompt.shown[1], HasSubstr("chosen in the window"));
    EXPECT_THAT(prompt.remembered, ElementsAre("/right"));
    EXPECT_THAT(prompt.warnings, IsEmpty());
}

TEST(LoadWithFolderChoice, GivingUpReturnsTheLastErrorAndRemembersNothing) {
    ScriptedPrompt prompt;
    prompt.picks = {"/wrong"};
    FakeLoad load;
    const auto loaded = LoadWithFolderChoice(kFromEnvironment, std::ref(load), prompt);
    ASSERT_FALSE(loaded.ok());
    EXPECT_THAT(loaded.error().Message(), HasSubstr("/wrong/elenco.dir"));
    EXPECT_EQ(prompt.shown.size(), 2u);
    EXPECT_THAT(prompt.remembered, IsEmpty());
}

TEST(LoadWithFolderChoice, AFolderThatCannotBeRememberedIsStillUsedWithAWarning) {
    ScriptedPrompt prompt;
    prompt.picks = {"/right"};
    prompt.canRemember = false;
    FakeLoad load{{"/right/"}, {}};
    const auto loaded = LoadWithFolderChoice(kFromEnvironment, std::ref(load), prompt);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->dataDir, "/right/");
    ASSERT_EQ(prompt.warnings.size(), 1u);
    EXPECT_THAT(prompt.warnings[0], HasSubstr("velmaro.conf"));
}

}  // namespace
}  // namespace velmaro
