// Inputs the fuzz targets (fuzz/) once failed on, each as the target's
// property over the input, inlined.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "documents/member_path.h"
#include "query/tstr.h"
#include "tests/engine/view_text_support.h"
#include "viewer/view_model.h"

namespace quarvel {
namespace {

bool AtRowStart(const ViewModel& model, const std::string& text) {
    const std::vector<std::uint64_t> starts = RowStarts(text, model.RowWidth());
    return std::binary_search(starts.begin(), starts.end(), model.TopOffset());
}

// Wrap turned off (F2) while the top stood on the second row of a wrapped
// line: the top keeps its place, and the next step lands on a row start of
// the new width.
TEST(FuzzRegression, AfterAWrapToggleTheNextStepLandsOnARowStartOfTheNewWidth) {
    const std::string text = "ab \ncd";
    TSearchCFG cfg = ViewerRecord(text);
    std::string expression = "alpha|be";
    Tstr query(expression, cfg);
    TextSource file(text);
    ViewModel model(cfg, &query, file);
    model.SetWindowSize(1, 16);
    model.SetWrap(true);
    model.RowDown();
    ASSERT_EQ(model.TopOffset(), 1u);
    model.SetWrap(false);
    EXPECT_EQ(model.TopOffset(), 1u);  // not at once
    model.Scroll(ScrollStep::LineUp);
    EXPECT_TRUE(AtRowStart(model, text)) << "top " << model.TopOffset();
    model.SetWrap(true);
    model.Scroll(ScrollStep::LineDown);
    EXPECT_TRUE(AtRowStart(model, text)) << "top " << model.TopOffset();

    // Turning wrap on from the second unwrapped row of a long line: a resize re-aligns.
    const std::string longLine = std::string(2500, 'x') + "\nend";
    TSearchCFG longCfg = ViewerRecord(longLine);
    TextSource longFile(longLine);
    ViewModel wide(longCfg, &query, longFile);
    wide.SetWindowSize(7, 10);
    wide.RowDown();
    ASSERT_EQ(wide.TopOffset(), 1000u);
    wide.SetWrap(true);
    wide.Realign();
    EXPECT_TRUE(AtRowStart(wide, longLine)) << "top " << wide.TopOffset();
}

// A single compressed file's member is named by its archive's name without
// the compression's ending: "...gz" would leave "..", which no listed name holds.
TEST(FuzzRegression, ASingleMembersNameIsNeverADotStep) {
    EXPECT_EQ(SingleMemberName("...gz"), "data");
    EXPECT_EQ(SingleMemberName("..gz"), "data");
    EXPECT_EQ(SingleMemberName(".gz"), "data");
    EXPECT_EQ(SingleMemberName("notes.txt.GZ"), "notes.txt");
    EXPECT_EQ(SingleMemberName("src.tgz"), "src.tar");
    EXPECT_EQ(MemberListName("../..//./a\\..\\b/"), "a/b");
}

}  // namespace
}  // namespace quarvel
