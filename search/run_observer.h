#pragma once
#include <string>

#include "results/save_file.h"
#include "search/status_path.h"

namespace quarvel {

enum class AbortRetryIgnore { Abort, Retry, Ignore };

// What a message tells: the run went as asked (Notice), something asked for
// could not be done (Error: a folder, file or project file that cannot be
// read), or the expression was refused (ExpressionError, a text of the
// compiler, in the search text's code page). A front end that reports an
// exit status counts both kinds of error.
enum class MessageKind { Notice, Error, ExpressionError };

// What a search run tells the window (or terminal) that drives it. Every
// call comes from the thread that runs the search, one at a time.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void SetStatusText(const std::string& text) { (void)text; }
    virtual void SetProgress(int percent) { (void)percent; }
    // Lets the window system deliver pending messages (Cancel among them).
    virtual void PumpMessages() {}
    // A message box with an OK button; caption "Quarvel" unless given.
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) = 0;
    void ShowMessage(const std::string& text, MessageKind kind = MessageKind::Notice) {
        ShowMessage(text, "Quarvel", kind);
    }
    // The three-button question asked when a file cannot be opened: caption
    // and text are the message box's; path is the file's whole path and
    // reason the system's word for the failure (empty when none is known).
    virtual AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text,
                                                 const std::string& path, const std::string& reason) = 0;
    // A folder below an entry's folder that the walk could not enter or
    // list, told once; the walk goes on without it.
    virtual void FolderSkipped(const std::string& folder, const std::string& reason) {
        (void)folder;
        (void)reason;
    }
    // A document, an archive or a member of one that could not be searched
    // inside (encrypted, damaged, over a limit), told once; the run goes on.
    virtual void FileSkipped(const std::string& path, const std::string& reason) {
        (void)path;
        (void)reason;
    }
    // The last file is done; the run's closing messages (if any) follow.
    virtual void ScanFinished() {}
    // The results list: emptied when a Search-mode run starts, a row per found file.
    virtual void ClearResults() {}
    virtual void AddFoundRow(const TSaveFile& record) { (void)record; }

    // The status line shows the path of the file being scanned, shortened.
    void ShowScanPath(const std::string& path) {
        ShortenStatusPath(path, status_);
        SetStatusText(status_);
    }

private:
    std::string status_;  // its storage kept from file to file
};

}  // namespace quarvel
