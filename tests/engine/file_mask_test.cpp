#include <gtest/gtest.h>

#include "search/file_mask.h"

namespace quarvel {
namespace {

TEST(FileMask, WildcardsIgnoringCase) {
    EXPECT_TRUE(MaskMatches("*.txt", "notes.TXT"));
    EXPECT_TRUE(MaskMatches("*.*", "Makefile"));
    EXPECT_TRUE(MaskMatches("a?c.*", "abc"));
    EXPECT_TRUE(MaskMatches("*.qrv", "Project.QRV"));
    EXPECT_TRUE(MaskMatches("*", ".hidden"));
    EXPECT_TRUE(MaskMatches("caf\xC9*", "caf\xE9.txt")) << "Windows-1252 letters fold too";
    EXPECT_FALSE(MaskMatches("*.txt", "notes.txt.bak"));
    EXPECT_FALSE(MaskMatches("a?c", "ac"));
    EXPECT_FALSE(MaskMatches("*.", "a.b"));
    EXPECT_TRUE(MaskMatches("*.", "README"));
    EXPECT_FALSE(MaskMatches("", "a"));
    EXPECT_TRUE(MaskMatches("*a*b*c", "xxaxxbxxbxc"));
}

}  // namespace
}  // namespace quarvel
