#include <gtest/gtest.h>

#include <cstdio>

#include <wx/app.h>
#include <wx/init.h>

// Window tests need the toolkit started once for the whole binary.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new wxApp);
    int toolkitArgc = 1;
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fputs("shell_tests: cannot open a display; run under xvfb-run\n", stderr);
        return 1;
    }
    int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
