// Settings that cannot be saved as the program ends: the message box says
// "Error write Registry" and whatever stands in the file's place is untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "app/entry_wx.h"
#include "app/program_state.h"
#include "platform/registry.h"
#include "tests/file_bytes.h"
#include "tests/shell/modal_expect.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

TEST(FaultSettingsExit, AFileThatCannotBeWrittenIsToldAndLeftAsItWas) {
    TempFolder folder("qv-settings-exit");
    ProgramState state;

    const std::string plain = folder.Path() + "/plain";
    Put(plain, "keep");
    Registry underAFile(plain + "/registry.reg");
    wxTEST_DIALOG(SaveSettingsAtExit(underAFile, state), ExpectMessage("Error write Registry"));
    EXPECT_EQ(Get(plain), "keep");

    const std::string pipe = folder.Path() + "/pipe.reg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    Registry aPipe(pipe);
    wxTEST_DIALOG(SaveSettingsAtExit(aPipe, state), ExpectMessage("Error write Registry"));
    struct stat st {};
    ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe is still there";

    // A file that can be written is saved.
    const std::string good = folder.Path() + "/registry.reg";
    Registry writable(good);
    SaveSettingsAtExit(writable, state);
    EXPECT_TRUE(Registry(good).SameHive(writable));
}

}  // namespace
}  // namespace quarvel
