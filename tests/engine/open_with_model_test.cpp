#include <gtest/gtest.h>

#include "dialogs/open_with_model.h"
#include "platform/path_text.h"
#include "platform/registry.h"
#include "settings/persistence.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

using Texts = std::vector<std::string>;

TEST(OpenWithModel, ShowsTheHistoryAndAllowsOkOnlyWhileTheFieldHoldsSomething) {
    OpenWithModel model(Texts{"/usr/bin/less -N", "/usr/bin/vi"});
    EXPECT_EQ(model.Text(), "/usr/bin/less -N") << "the field shows the first entry";
    EXPECT_EQ(model.List(), (Texts{"/usr/bin/less -N", "/usr/bin/vi"}));
    EXPECT_TRUE(model.OkEnabled());

    OpenWithModel firstRun(Texts{""});
    EXPECT_EQ(firstRun.Text(), "");
    EXPECT_FALSE(firstRun.OkEnabled()) << "an empty field";
    firstRun.SetText("v");
    EXPECT_TRUE(firstRun.OkEnabled()) << "one character is enough";
    firstRun.SetText(" ");
    EXPECT_TRUE(firstRun.OkEnabled()) << "a blank is something typed";
    firstRun.SetText("");
    EXPECT_FALSE(firstRun.OkEnabled());
    Texts history{""};
    EXPECT_FALSE(firstRun.Ok(history).accepted) << "OK refuses what it would not allow";
    EXPECT_EQ(history, Texts{""});
}

TEST(OpenWithModel, OkPutsTheProgramFirstAndKeepsTheOthersInTheirOrder) {
    const Texts before{"/usr/bin/vi", "/usr/bin/less -N", "/opt/View", "/usr/bin/ed"};
    struct Case {
        const char* typed;
        Texts after;
        const char* why;
    } cases[] = {
        {"/usr/bin/nano", {"/usr/bin/nano", "/usr/bin/vi", "/usr/bin/less -N", "/opt/View", "/usr/bin/ed"},
         "a new program goes first"},
        {"/usr/bin/less -N", {"/usr/bin/less -N", "/usr/bin/vi", "/opt/View", "/usr/bin/ed"},
         "a listed one moves to the front, once"},
        {"/usr/bin/vi", before, "the first stays first"},
        {"/opt/view", {"/opt/view", "/usr/bin/vi", "/usr/bin/less -N", "/opt/View", "/usr/bin/ed"},
         "another letter case is another program"},
        {"/usr/bin/less", {"/usr/bin/less", "/usr/bin/vi", "/usr/bin/less -N", "/opt/View", "/usr/bin/ed"},
         "only an equal text is the same program"},
    };
    for (const Case& c : cases) {
        OpenWithModel model(before);
        model.SetText(c.typed);
        Texts history = before;
        ASSERT_TRUE(model.Ok(history).accepted) << c.why;
        EXPECT_EQ(history, c.after) << c.why;
    }

    // The first run's history is one empty entry; it is not kept behind the program.
    OpenWithModel firstRun(Texts{""});
    firstRun.SetText("/usr/bin/\xD0\x96 --x");
    Texts history{""};
    ASSERT_TRUE(firstRun.Ok(history).accepted);
    EXPECT_EQ(history, Texts{"/usr/bin/\xD0\x96 --x"});

    // A text that would be cut when the history is read back is refused.
    OpenWithModel tooLong(before);
    tooLong.SetText("/" + std::string(259, 'p'));
    history = before;
    OpenWithModel::OkOutcome refused = tooLong.Ok(history);
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.message, "The text is too long: it may hold at most 259 bytes");
    EXPECT_EQ(history, before);
    tooLong.SetText("/" + std::string(258, 'p'));
    EXPECT_TRUE(tooLong.Ok(history).accepted) << "259 bytes fit";
}

TEST(OpenWithModel, AFullHistoryGrowsWhileTheProgramRunsAndKeepsItsNewestTenAtExit) {
    Texts ten;
    for (int i = 0; i < 10; ++i) ten.push_back("/bin/p" + std::to_string(i));
    OpenWithModel model(ten);
    model.SetText("/bin/new");
    StoredSettings saved;
    saved.ui.ProgramHistory = ten;
    ASSERT_TRUE(model.Ok(saved.ui.ProgramHistory).accepted);
    ASSERT_EQ(saved.ui.ProgramHistory.size(), 11u) << "nothing is cut on OK";
    EXPECT_EQ(saved.ui.ProgramHistory.front(), "/bin/new");
    EXPECT_EQ(saved.ui.ProgramHistory.back(), "/bin/p9");

    TempFolder folder("quarvel-open-with");
    {
        Registry registry(folder.Path() + "/q.reg");
        ASSERT_TRUE(SaveSettings(registry, saved));
    }
    StoredSettings loaded;
    LoadSettings(Registry(folder.Path() + "/q.reg"), loaded, 96);
    Texts newest(saved.ui.ProgramHistory.begin(), saved.ui.ProgramHistory.begin() + 10);
    EXPECT_EQ(loaded.ui.ProgramHistory, newest) << "ten are kept; the oldest is gone";
}

TEST(OpenWithModel, BrowseShowsThePickedProgramAndRemembersItsFolder) {
    OpenWithModel model(Texts{"/usr/bin/vi"});
    std::string folder = "/home/user/";
    model.ProgramChosen("/opt/tools/viewer", folder);
    EXPECT_EQ(model.Text(), "/opt/tools/viewer");
    EXPECT_EQ(folder, "/opt/tools/");
    model.ProgramChosen("/opt/odd\\name", folder);
    EXPECT_EQ(folder, "/opt/") << "a backslash belongs to the name";
    model.ProgramChosen("", folder);
    EXPECT_EQ(model.Text(), "'/opt/odd\\name'") << "nothing picked changes nothing";
    EXPECT_EQ(folder, "/opt/");
    model.ProgramChosen("/opt/my tools/it's \xD0\x96", folder);
    EXPECT_EQ(model.Text(), "'/opt/my tools/it'\\''s \xD0\x96'") << "one word, whatever the name holds";
    EXPECT_EQ(folder, "/opt/my tools/");
    EXPECT_EQ(ProgramWord("/usr/lib/x86_64-linux-gnu/\xD0\x96+v1.2,a:b@c%d=e~"),
              "/usr/lib/x86_64-linux-gnu/\xD0\x96+v1.2,a:b@c%d=e~");
    for (const char* special : {" ", "\t", "\n", "\"", "\\", "#", "$", "`", ";", "&", "|", "*", "?", "(", "<", "!"})
        EXPECT_EQ(ProgramWord(std::string("/a") + special + "b"), std::string("'/a") + special + "b'") << special;
    EXPECT_EQ(FolderOfPath("viewer"), "");
    EXPECT_EQ(FolderOfPath("/viewer"), "/");
}

}  // namespace
}  // namespace quarvel
