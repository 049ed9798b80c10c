#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialogs/dir_tree.h"
#include "platform/working_folder.h"
#include "tests/engine/run_test_support.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const DirNode& node) {
    std::vector<std::string> names;
    for (const auto& child : node.Children()) names.push_back(child->Name());
    return names;
}

DirNode* Child(const DirNode& node, const std::string& name) {
    for (const auto& child : node.Children())
        if (child->Name() == name) return child.get();
    return nullptr;
}

class DirTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::chmod(root_.c_str(), 0755);  // the unprivileged user must reach it
        for (const char* folder : {"Work/Projects/alpha", "Work/Projects/beta", "work/x", "Zeta", "apple", "Bravo",
                                   "dotted/.git", "dotted/.hidden", ".secret/inside", "shut/inner"})
            fs::create_directories(fs::path(root_) / folder);
        std::ofstream(root_ + "/file.txt") << "not a folder";
        fs::create_directory_symlink(root_ + "/Work", root_ + "/link");
        fs::create_directory_symlink(root_ + "/nowhere", root_ + "/dangling");
        ::chmod((root_ + "/shut").c_str(), 0);
    }
    void TearDown() override {
        ::chmod((root_ + "/shut").c_str(), 0755);
    }

    TempFolder folder_{"quarvel-dirtree"};
    const std::string root_ = folder_.Path();
    DirTree tree_;
};

TEST_F(DirTreeTest, OpensAlongAPathWhateverTheCaseOfItsLettersAndTheSeparatorsAround) {
    tree_.Open(root_ + "/WORK/projects/ALPHA");
    EXPECT_EQ(tree_.Result("typed"), root_ + "/Work/Projects/alpha/") << "the first of Work and work in name order";
    const DirNode* projects = tree_.Selected()->Parent();
    EXPECT_EQ(Names(*projects), (std::vector<std::string>{"alpha", "beta"}));
    for (const DirNode* n = projects; n; n = n->Parent()) EXPECT_TRUE(n->Expanded()) << n->Name();
    EXPECT_FALSE(tree_.Selected()->Expanded()) << "no component follows the last one";

    tree_.Open(root_ + "/work/X");
    EXPECT_EQ(tree_.Result(""), root_ + "/work/x/") << "the name spelt so is preferred";
    tree_.Open(root_ + "//Work///Projects/");
    EXPECT_EQ(tree_.Result(""), root_ + "/Work/Projects/") << "empty components are skipped";
    tree_.Open(root_ + "/link/Projects");
    EXPECT_EQ(tree_.Result(""), root_ + "/link/Projects/") << "a link to a folder is walked as a folder";
    tree_.Open(root_ + "/Work/nothing/alpha");
    EXPECT_EQ(tree_.Result(""), root_ + "/Work/") << "the walk ends at the first name not found";
    EXPECT_TRUE(tree_.Selected()->Expanded());

    tree_.Open("/");
    EXPECT_EQ(tree_.Result("typed"), "/");
    EXPECT_EQ(tree_.Selected(), &tree_.Root());
    tree_.Open("");
    EXPECT_EQ(tree_.Selected(), nullptr);
    EXPECT_EQ(tree_.Result("typed"), "typed") << "nothing selected: the caller's text comes back";
    ASSERT_EQ(tree_.Root().Children().size(), 1u) << "the unread root shows an expand button";
    EXPECT_TRUE(tree_.Root().Children()[0]->Placeholder());
}

TEST_F(DirTreeTest, ListsVisibleSubfoldersSortedWithAtMostOneOfTheirOwnInAdvance) {
    AsUnprivilegedUser user;
    if (Readable(root_ + "/shut")) GTEST_SKIP() << "no user here for whom a folder is shut";
    tree_.Open(root_ + "/shut/inner");
    DirNode* top = tree_.Selected();
    EXPECT_EQ(DirTree::PathOf(*top), root_ + "/") << "a folder that cannot be listed ends the walk";
    EXPECT_EQ(Names(*top), (std::vector<std::string>{"Bravo", "Work", "Zeta", "apple", "dotted", "link", "shut", "work"}));
    for (const char* leaf : {"dotted", "shut", "Zeta"})
        EXPECT_TRUE(Child(*top, leaf)->Children().empty()) << leaf << " shows no expand button";
    for (const char* inner : {"Work", "link"}) EXPECT_EQ(Names(*Child(*top, inner)), std::vector<std::string>{"Projects"});
    EXPECT_TRUE(Child(*Child(*top, "Work"), "Projects")->Children().empty()) << "read two levels ahead at most";

    tree_.Expand(*Child(*top, "shut"));
    EXPECT_TRUE(Child(*top, "shut")->Children().empty());
    tree_.Expand(*Child(*top, "Work"));
    DirNode& projects = *Child(*Child(*top, "Work"), "Projects");
    EXPECT_EQ(projects.Children().size(), 1u) << "of alpha and beta only the first one in advance";
    tree_.Expand(projects);
    EXPECT_EQ(Names(projects), (std::vector<std::string>{"alpha", "beta"}));

    tree_.Select(Child(projects, "beta"));
    EXPECT_EQ(tree_.Result(""), root_ + "/Work/Projects/beta/");
    tree_.Expand(*top);
    EXPECT_EQ(tree_.Selected(), top) << "the selected folder was read afresh with the rest";
}

TEST_F(DirTreeTest, ARelativePathStartsAtTheWorkingFolderAndLeavesItAsItWas) {
    WorkingFolderKeeper keeper;
    ASSERT_EQ(::chdir((root_ + "/Work").c_str()), 0);
    const std::string here = WorkingFolder();
    tree_.Open("PROJECTS/beta/");
    EXPECT_EQ(tree_.Result(""), here + "/Projects/beta/");
    tree_.Expand(tree_.Root());
    EXPECT_EQ(WorkingFolder(), here);
    tree_.Open("missing");
    EXPECT_EQ(tree_.Result(""), here + "/");
}

}  // namespace
}  // namespace quarvel
