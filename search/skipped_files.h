#pragma once
#include <cstddef>
#include <string>

namespace quarvel {

// The files a run could not search inside, gathered for one message at its
// end: a tree of documents may hold many, and a box for each would stop the
// run as many times.
class SkippedFiles {
public:
    static constexpr std::size_t kShown = 12;

    void Add(const std::string& path, const std::string& reason);
    bool Empty() const { return count_ == 0; }
    void Clear();
    // "Not searched inside:", a line per file ("path: reason"), the rest counted.
    std::string Message() const;

private:
    std::string lines_;
    std::size_t count_ = 0;
};

}  // namespace quarvel
