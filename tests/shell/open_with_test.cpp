#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include <wx/app.h>
#include <wx/combobox.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "tests/shell/modal_expect.h"

#include "dialogs/open_with_dlg_wx.h"
#include "platform/file_launch_wx.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

using Texts = std::vector<std::string>;

constexpr const char* kArgsOut = "QUARVEL_ARGS_OUT";

// A program that writes its arguments, each ended by a NUL, to the file that
// QUARVEL_ARGS_OUT names; the file appears whole.
std::string MakeArgumentWriter(const std::string& folder) {
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/write args.sh";
    std::ofstream(path) << "#!/bin/sh\n"
                           "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$QUARVEL_ARGS_OUT.part\"\n"
                           "mv \"$QUARVEL_ARGS_OUT.part\" \"$QUARVEL_ARGS_OUT\"\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

std::string MakeFile(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (int byte = 0; byte < 256; ++byte) out.put(static_cast<char>(byte));
    return path;
}

// The arguments the writer received; none when it has not run within the time.
std::optional<Texts> ArgumentsWritten(const std::string& file) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(file)) {
        if (std::chrono::steady_clock::now() > end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(file, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Texts arguments;
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = all.find('\0', start);
        arguments.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

// Sets environment variables for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [name, value] : values) {
            const char* old = ::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            ::setenv(name, value.c_str(), 1);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, old] : saved_) {
            if (old)
                ::setenv(name, old->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(StartProgramWith, GivesTheProgramItsOwnWordsAndThePathAsOneArgument) {
    TempFolder folder("quarvel-start");
    const std::string writer = MakeArgumentWriter(folder.Path() + "/it's my tools");
    const std::string out = folder.Path() + "/args";
    // Blanks, quotes, a leading dash, and what a shell would run.
    const std::string path =
        MakeFile(folder.Path() + "/-n it's \"a\" file; $(touch pwned) `touch pwned` | * \\ end.dat");
    ScopedEnvironment environment{{kArgsOut, out}};
    const std::string programs[] = {
        "\"" + writer + "\" --flag 'two words'",             // a program path in quotes
        ProgramWord(writer) + " --flag two\\ words",         // as Browse puts it in the field
        "sh " + ProgramWord(writer) + "  --flag \"two words\""};  // found on the PATH
    for (const std::string& program : programs) {
        std::filesystem::remove(out);
        std::string why;
        ASSERT_TRUE(StartProgramWith(program, path, why)) << program << ": " << why;
        std::optional<Texts> arguments = ArgumentsWritten(out);
        ASSERT_TRUE(arguments) << program << ": the program never ran";
        EXPECT_EQ(*arguments, (Texts{"--flag", "two words", path})) << program;
    }
    EXPECT_FALSE(std::filesystem::exists("pwned")) << "nothing in the name was run";
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/pwned"));
}

TEST(StartProgramWith, SaysWhyWhenTheProgramCannotBeStarted) {
    TempFolder folder("quarvel-start");
    const std::string path = MakeFile(folder.Path() + "/file.dat");
    const std::string notAProgram = MakeFile(folder.Path() + "/plain");
    for (const std::string& program : {std::string("/nonexistent/quarvel-no-such-program --x"),
                                       std::string("quarvel-no-such-program-on-the-path"), notAProgram,
                                       std::string("'unclosed quote"), std::string("   ")}) {
        std::string why;
        EXPECT_FALSE(StartProgramWith(program, path, why)) << program;
        EXPECT_FALSE(why.empty()) << program;
    }
}

// The desktop's handlers are looked up once per process, so each case runs in
// a fresh copy of this program whose home and data folders are empty but for
// what the case puts there. The copy repeats the test up to the check, and
// finds the folder the first run made in the environment.
class DefaultHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (const char* given = ::getenv("QUARVEL_TEST_HOME")) {
            home_ = given;
            return;
        }
        made_.emplace("quarvel-handler");
        home_ = made_->Path();
        for (const char* sub : {"/data/applications", "/system-data", "/config", "/system-config"})
            std::filesystem::create_directories(home_ + sub);
        environment_.emplace(std::initializer_list<std::pair<const char*, std::string>>{
            {"QUARVEL_TEST_HOME", home_}, {"HOME", home_}, {"XDG_DATA_HOME", home_ + "/data"},
            {"XDG_DATA_DIRS", home_ + "/system-data"}, {"XDG_CONFIG_HOME", home_ + "/config"},
            {"XDG_CONFIG_DIRS", home_ + "/system-config"}, {kArgsOut, home_ + "/args"}});
    }
    void TearDown() override {
        environment_.reset();
        made_.reset();
    }

    std::string home_;
    std::optional<TempFolder> made_;
    std::optional<ScopedEnvironment> environment_;
};

TEST_F(DefaultHandlerTest, AFileOfATypeNobodyHandlesHasNoHandler) {
    const std::string path = MakeFile(home_ + "/sample.quarvel-made-up");
    EXPECT_EXIT(_exit(OpenWithDefaultHandler(path) == OpenOutcome::NoHandler ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(DefaultHandlerTest, TheTypesHandlerGetsTheWholePath) {
    const std::string writer = MakeArgumentWriter(home_ + "/bin");
    std::ofstream(home_ + "/data/applications/quarvel-arguments.desktop")
        << "[Desktop Entry]\nType=Application\nName=Arguments\nNoDisplay=true\n"
           "Exec=\"" << writer << "\" --from-handler %f\nMimeType=application/octet-stream;\n";
    std::ofstream(home_ + "/config/mimeapps.list")
        << "[Default Applications]\napplication/octet-stream=quarvel-arguments.desktop\n";
    const std::string path = MakeFile(home_ + "/it's a \"file\"; $(touch pwned).quarvel-made-up");
    EXPECT_EXIT(_exit(OpenWithDefaultHandler(path) == OpenOutcome::Started ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
    std::optional<Texts> arguments = ArgumentsWritten(home_ + "/args");
    ASSERT_TRUE(arguments) << "the handler never ran";
    EXPECT_EQ(*arguments, (Texts{"--from-handler", path}));
    EXPECT_FALSE(std::filesystem::exists(home_ + "/pwned"));
}

// The program chooser: checks how it was set up, where it starts included,
// then gives the path (on OK) as the user would have picked it.
class ExpectChooser : public wxExpectModalBase<wxFileDialog, ExpectChooser> {
public:
    ExpectChooser(std::string start, std::string path, int id)
        : start_(std::move(start)), path_(std::move(path)), id_(id) {}

protected:
    int OnInvoked(wxFileDialog* dlg) const override {
        EXPECT_EQ(dlg->GetDirectory(), start_);
        EXPECT_EQ(dlg->GetWildcard(), "Executable (*.exe)|*.[eE][xX][eE]|All files (*.*)|*");
        EXPECT_EQ(dlg->GetFilterIndex(), 1) << "programs here have no extension";
        EXPECT_TRUE(dlg->HasFlag(wxFD_FILE_MUST_EXIST));
        if (id_ == wxID_OK) {
            dlg->SetPath(path_);
            // The chooser takes the path in while it runs.
            for (int turn = 0; turn < 200 && dlg->GetPath().empty(); ++turn) {
                wxTheApp->Yield(true);
                wxMilliSleep(10);
            }
            EXPECT_EQ(dlg->GetPath(), path_);
        }
        return id_;
    }

private:
    std::string start_, path_;
    int id_;
};

struct OpenWithDialogTest : ::testing::Test {
    TUiSettings ui;
    OpenWithDialogTest() {
        ui.ProgramHistory = {"/usr/bin/less -N", "/usr/bin/vi"};
        ui.PathDefaultBrowser = "/usr/";
    }
    static wxComboBox* Combo(wxDialog& dlg) { return dynamic_cast<wxComboBox*>(dlg.FindWindow(kOpenWithProgram)); }
    static wxWindow* Ok(wxDialog& dlg) { return dlg.FindWindow(wxID_OK); }
};

TEST_F(OpenWithDialogTest, ShowsTheHistoryAllowsOkOnlyWithAProgramAndStoresItFirst) {
    TOpenWithDlg dlg(nullptr, ui);
    EXPECT_EQ(dlg.GetTitle(), "Open with...");
    wxRect screen = wxDisplay(0u).GetGeometry();
    wxRect area = dlg.GetScreenRect();
    EXPECT_NEAR(area.x + area.width / 2, screen.width / 2, 1) << "over the screen while there is no main window";
    EXPECT_NEAR(area.y + area.height / 2, screen.height / 2, 1);
    wxComboBox* combo = Combo(dlg);
    ASSERT_TRUE(combo && Ok(dlg));
    EXPECT_EQ(combo->GetValue(), "/usr/bin/less -N");
    ASSERT_EQ(combo->GetCount(), 2u);
    EXPECT_EQ(combo->GetString(0), "/usr/bin/less -N");
    EXPECT_EQ(combo->GetString(1), "/usr/bin/vi");
    EXPECT_TRUE(Ok(dlg)->IsEnabled());

    // Emptied, Enter does nothing; typed into, Enter is OK.
    bool emptyDisabled = false, stillOpenAfterEnter = false, typedEnabled = false;
    wxTimer step, giveUp;
    int phase = 0;
    wxUIActionSimulator sim;
    step.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        switch (phase++) {
            case 0: {
                // Without a window manager the keyboard goes to the window under the pointer.
                wxRect where = dlg.GetScreenRect();
                sim.MouseMove(where.GetLeft() + where.GetWidth() / 2, where.GetTop() + 10);
                dlg.Raise();
                combo->SetFocus();
                combo->SetValue("");
                emptyDisabled = !Ok(dlg)->IsEnabled();
                sim.Char(WXK_RETURN);
                break;
            }
            case 1:
                stillOpenAfterEnter = dlg.IsModal();
                sim.Text("ed");
                break;
            case 2:
                typedEnabled = Ok(dlg)->IsEnabled();
                sim.Char(WXK_RETURN);
                return;
        }
        step.StartOnce(300);
    });
    // Should a key never arrive, the test fails instead of hanging.
    giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dlg.EndModal(wxID_ABORT); });
    step.StartOnce(300);
    giveUp.StartOnce(8000);
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_TRUE(emptyDisabled) << "OK is disabled while the field is empty";
    EXPECT_TRUE(stillOpenAfterEnter) << "Enter with an empty field does not close it";
    EXPECT_TRUE(typedEnabled) << "one typed character enables OK";
    EXPECT_EQ(dlg.Program(), "ed");
    EXPECT_EQ(ui.ProgramHistory, (Texts{"ed", "/usr/bin/less -N", "/usr/bin/vi"}));
}

TEST_F(OpenWithDialogTest, BrowseFillsTheFieldAndRemembersTheFolderEvenWhenCancelled) {
    ui.ProgramHistory = {""};
    TOpenWithDlg dlg(nullptr, ui);
    EXPECT_EQ(Combo(dlg)->GetValue(), "");
    EXPECT_EQ(Combo(dlg)->GetCount(), 0u) << "the empty first entry is not offered";
    EXPECT_FALSE(Ok(dlg)->IsEnabled());

    wxCommandEvent browse(wxEVT_BUTTON, kOpenWithBrowse);
    browse.SetEventObject(dlg.FindWindow(kOpenWithBrowse));
    wxTEST_DIALOG(dlg.FindWindow(kOpenWithBrowse)->ProcessWindowEvent(browse),
                  ExpectChooser("/usr/", "/bin/sh", wxID_OK));
    EXPECT_EQ(Combo(dlg)->GetValue(), "/bin/sh");
    EXPECT_TRUE(Ok(dlg)->IsEnabled());
    EXPECT_EQ(ui.PathDefaultBrowser, "/bin/");

    // A chooser closed without a file changes nothing.
    wxTEST_DIALOG(dlg.FindWindow(kOpenWithBrowse)->ProcessWindowEvent(browse),
                  ExpectChooser("/bin/", "/usr/bin/env", wxID_CANCEL));
    EXPECT_EQ(Combo(dlg)->GetValue(), "/bin/sh");
    EXPECT_EQ(ui.PathDefaultBrowser, "/bin/");

    // Escape is Cancel: the history stays, the folder Browse used is remembered.
    wxTimer press, giveUp;
    wxUIActionSimulator sim;
    press.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        wxRect where = dlg.GetScreenRect();
        sim.MouseMove(where.GetLeft() + where.GetWidth() / 2, where.GetTop() + 10);
        dlg.Raise();
        sim.Char(WXK_ESCAPE);
    });
    giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dlg.EndModal(wxID_ABORT); });
    press.StartOnce(300);
    giveUp.StartOnce(5000);
    EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
    EXPECT_EQ(ui.ProgramHistory, Texts{""});
    EXPECT_EQ(ui.PathDefaultBrowser, "/bin/");
}

}  // namespace
}  // namespace quarvel
