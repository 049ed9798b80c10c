#pragma once
#include <string>

#include "search/run_observer.h"

namespace quarvel {

// A run that shows nothing and answers Abort: for tests that only want its result.
struct Quiet : RunObserver {
    void ShowMessage(const std::string&, const std::string&, MessageKind) override {}
    AbortRetryIgnore AskAbortRetryIgnore(const std::string&, const std::string&, const std::string&,
                                         const std::string&) override {
        return AbortRetryIgnore::Abort;
    }
};

}  // namespace quarvel
