#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quarvel {

// One folder of the browser's tree, or the placeholder that lets an unread
// folder show an expand button.
class DirNode {
public:
    // The folder's own name in the file system's bytes; the root's is "/".
    const std::string& Name() const { return name_; }
    const DirNode* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<DirNode>>& Children() const { return children_; }
    bool Expanded() const { return expanded_; }
    bool Placeholder() const { return placeholder_; }

private:
    friend class DirTree;
    DirNode(std::string name, DirNode* parent, bool placeholder = false)
        : name_(std::move(name)), parent_(parent), placeholder_(placeholder) {}

    std::string name_;
    DirNode* parent_;
    std::vector<std::unique_ptr<DirNode>> children_;
    bool expanded_ = false;
    bool placeholder_;
};

// The folders the directory browser shows, read lazily: a folder's
// subfolders are listed when it is opened or expanded, and each listed
// folder gets at most its first subfolder in advance, so that its expand
// button tells the truth. The working folder is never changed.
class DirTree {
public:
    // The root "/" alone, unread, with its placeholder.
    DirTree();

    // Rebuilds the tree and opens it along a path: an absolute one from the
    // root, a relative one from the working folder. Every folder found on the
    // way is listed, each one but the last expanded, and the deepest one
    // selected. An empty text selects nothing.
    void Open(const std::string& path);

    // The user expanded a node: its subfolders are read afresh. A selection
    // below it moves to the node, since its old children are gone.
    void Expand(DirNode& node);
    // The user collapsed a node; its children are kept.
    void Collapse(DirNode& node);

    DirNode& Root() { return *root_; }
    const DirNode& Root() const { return *root_; }
    // The selected folder, or null.
    DirNode* Selected() const { return selected_; }
    // Selects a folder; null (or a placeholder) selects nothing.
    void Select(DirNode* node);

    // A folder's path: every name from the root down followed by "/", so the
    // root alone is "/" and folder b in /a is "/a/b/".
    static std::string PathOf(const DirNode& node);
    // What OK hands back: the selected folder's path, or the caller's own
    // text when nothing is selected.
    std::string Result(const std::string& callerText) const;
    // OK: the result, or a refusal with its message when the chosen folder's
    // path is longer than a path field holds (the dialog then stays open on
    // the tree, and the caller's text stays as it was).
    struct OkOutcome {
        bool accepted;
        std::string path;
        std::string message;
    };
    OkOutcome Ok(const std::string& callerText) const;

private:
    // The root "/" alone, unread, with its placeholder; nothing selected.
    void Reset();
    // Replaces a node's children by its subfolders, sorted by name; false
    // when its folder cannot be listed.
    bool Refill(DirNode& node);
    // Adds the subfolders of an open folder (which it closes) to a node; at
    // depth 0 only the first one, and each one filled to depth - 1.
    static void Fill(DirNode& node, int folder, int depth);

    std::unique_ptr<DirNode> root_;
    DirNode* selected_ = nullptr;
};

}  // namespace quarvel
