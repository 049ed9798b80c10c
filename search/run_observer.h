#pragma once
#include <string>

#include "query/match_engine.h"
#include "results/save_file.h"

namespace quarvel {

enum class AbortRetryIgnore { Abort, Retry, Ignore };

// What a search run tells the window (or terminal) that drives it.
class RunObserver : public ScanObserver {
public:
    // A message box with an OK button; caption "Quarvel" unless given.
    virtual void ShowMessage(const std::string& ansiText, const std::string& caption) = 0;
    void ShowMessage(const std::string& ansiText) { ShowMessage(ansiText, "Quarvel"); }
    // The three-button question asked when a file cannot be opened.
    virtual AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text) = 0;
    // The results list: emptied when a Search-mode run starts, a row per found file.
    virtual void ClearResults() {}
    virtual void AddFoundRow(const TSaveFile& record) { (void)record; }
};

}  // namespace quarvel
