// The file list of a search cut into include and exclude entries by the
// separator and not-search strings, each entry walked in a small fixed tree:
// random lists with random operator pairs. Every record gathered belongs to
// an entry of its kind and matches that entry's mask; an entry of the top
// folder alone gathers exactly the files its mask matches.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "fuzz_support.h"
#include "results/project_file.h"
#include "search/file_mask.h"
#include "search/file_selection.h"

using namespace quarvel;

namespace {

class QuietObserver : public RunObserver {
public:
    void ShowMessage(const std::string&, const std::string&, MessageKind) override {}
    AbortRetryIgnore AskAbortRetryIgnore(const std::string&, const std::string&, const std::string&,
                                         const std::string&) override {
        return AbortRetryIgnore::Ignore;
    }
};

const char* const kTopFiles[] = {"a.txt", "B.TXT", "c.log", "noext", ".hid.txt", "list.qrv", "x,y.txt"};

std::string MakeTree() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarvel-fuzz-list-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    const std::string root = pattern;
    auto write = [](const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
    for (const char* name : kTopFiles) write(root + "/" + name, name);
    ::mkdir((root + "/sub").c_str(), 0755);
    write(root + "/sub/d.txt", "d");
    TSearchCFG project;
    project.SetDefaults();
    for (const char* name : {"a.txt", "sub/d.txt", "missing.txt", "sub/e.QRV"}) {
        TSaveFile f;
        const std::string path = root + "/" + name;
        f.folder = path.substr(0, path.rfind('/'));
        f.name = path.substr(path.rfind('/') + 1);
        project.FoundFiles.push_back(f);
    }
    write(root + "/list.qrv", ProjectText(project));
    write(root + "/sub/e.QRV", ProjectText(project));  // lists itself too
    return root;
}

const char* tree = nullptr;  // kept until the process ends, for the clean-up at exit

const std::string& Tree() {
    static const std::string root = [] {
        std::string r = MakeTree();
        tree = ::strdup(r.c_str());
        std::atexit([] { std::system((std::string("rm -rf '") + tree + "'").c_str()); });
        return r;
    }();
    return root;
}

bool EndsWithQrv(const std::string& name) {
    if (name.size() <= 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == ".QRV";
}

struct Entry {
    bool include;
    std::string folder, mask;
};

// The entries as the list reads: an optional not-search string, then all up
// to the next separator; the folder part ends at the last slash.
std::vector<Entry> Cut(const std::string& list, const std::string& separator, const std::string& notSearch) {
    std::vector<Entry> entries;
    std::size_t p = 0;
    while (p < list.size()) {
        Entry e{true, "", ""};
        if (!notSearch.empty() && list.substr(p, notSearch.size()) == notSearch) {
            e.include = false;
            p += notSearch.size();
        }
        std::size_t end = separator.empty() ? std::string::npos : list.find(separator, p);
        if (end == std::string::npos) end = list.size();
        const std::string text = list.substr(p, end - p);
        const std::size_t slash = text.rfind('/');
        if (slash != std::string::npos) e.folder = text.substr(0, slash + 1);
        e.mask = slash == std::string::npos ? text : text.substr(slash + 1);
        entries.push_back(e);
        if (separator.empty()) break;
        p = end + separator.size();
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& root = Tree();
    fuzz::Input in(data, size);
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.Operators[kOpFileSeparator] = fuzz::Operator(in, kOpFileSeparator);
    cfg.Operators[kOpFileNotSearch] = fuzz::Operator(in, kOpFileNotSearch);
    if (!CheckFileOperators(cfg.Operators).ok()) return 0;
    cfg.SearchIncludeSubDir = in.Flag();
    cfg.SearchDefaultPath = in.Flag() ? root : "";
    cfg.SearchFilesMask = in.Rest();
    if (cfg.SearchFilesMask.size() >= kPathBufferSize) return 0;

    const std::vector<Entry> entries = Cut(cfg.SearchFilesMask, cfg.FileSeparator(), cfg.FileNotSearch());
    // Only folders inside the tree: no absolute parts, no way up.
    if (entries.size() > 24) return 0;
    for (const Entry& e : entries)
        if ((!e.folder.empty() && e.folder[0] == '/') || e.folder.find("..") != std::string::npos) return 0;

    QuietObserver observer;
    const CancelFlag cancel;
    FileSelection selection(cfg, observer, cancel, true);
    // Relative folders start at the tree; libFuzzer's own paths at the folder it was started in.
    static const int started = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (started < 0 || ::chdir(root.c_str()) != 0) std::abort();
    selection.Gather();
    if (::fchdir(started) != 0) std::abort();

    std::vector<std::size_t> perEntry(entries.size(), 0);
    auto check = [&](const TSaveFile& f, bool include) {
        const std::string& folder = f.folder.str();
        FUZZ_CHECK(folder == root || folder.rfind(root + "/", 0) == 0);  // never outside the tree
        if (f.group >= entries.size()) {
            FUZZ_CHECK(include);  // listed by a project file, after the entries
            return;
        }
        const Entry& e = entries[f.group];
        FUZZ_CHECK(e.include == include);
        FUZZ_CHECK(MaskMatches(e.mask, f.name.str()));
        if (include) FUZZ_CHECK(!EndsWithQrv(f.name.str()));  // project files are expanded
        ++perEntry[f.group];
    };
    for (const TSaveFile& f : cfg.IncludeList) check(f, true);
    for (const TSaveFile& f : cfg.ExcludeList) check(f, false);
    // An entry of the top folder alone gathers exactly the files its mask matches.
    for (std::size_t g = 0; g < entries.size(); ++g) {
        const Entry& e = entries[g];
        if (!e.folder.empty() || cfg.SearchIncludeSubDir || EndsWithQrv(e.mask)) continue;
        std::size_t expected = 0;
        for (const char* name : kTopFiles) expected += MaskMatches(e.mask, name) && !EndsWithQrv(name);
        FUZZ_CHECK(perEntry[g] == expected);
    }

    selection.Filter();
    FUZZ_CHECK(cfg.IncludeList.empty() && cfg.ExcludeList.empty());
    FUZZ_CHECK(cfg.GFiles == cfg.SearchList.size());
    return 0;
}
