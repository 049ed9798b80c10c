#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "settings/search_cfg.h"

// Cases for comparing the match engine's ways of deciding a file with each
// other and with the plain oracle.
namespace quarvel {

struct Case {
    std::string bytes;
    std::string expression;
    std::uint32_t within = 0;
    std::uint32_t code = 0;
    std::uint32_t ignoreCase = 0;
    std::uint32_t wholeWord = 0;
    std::uint32_t unicode = 0;  // the Unicode reading too
};

// The case's options in a record, with made-up statistics for the progress to move.
TSearchCFG CaseCfg(const Case& c);
// False when the case's expression does not compile, so there is nothing to decide.
bool CaseCompiles(const Case& c);

// The bytes as a C++ expression, runs of 8 or more equal bytes folded.
std::string Escaped(const std::string& bytes);
// The case as C++ text that reproduces it.
std::string Describe(const Case& c);

// How many cases a test runs and the seed they start from: the environment's
// variable when set (a script runs them at volume), else the default.
int CasesFromEnvironment(const char* variable, int fallback);
std::uint32_t SeedFromEnvironment(const char* variable, std::uint32_t fallback = 20261210u);

class CaseMaker {
public:
    explicit CaseMaker(std::uint32_t seed) : rng_(seed) {}

    // Random bytes from small alphabets, with terms taken from the file.
    Case Next();
    // Text shaped like a real file: units made of the expression's own terms
    // and filler words, in either case, glued to letters or not, in their OEM
    // spelling now and then, with CR LF, form feeds, high bytes and units
    // longer than a piece.
    Case NextShaped();
    // Unicode text as Linux machines hold it: UTF-8 (now and then after a
    // byte order mark) or UTF-16 after its mark, with CR LF; ASCII, Latin
    // accents, Greek, Cyrillic, CJK and emoji, the characters whose case
    // folds across lengths, and bytes that are no UTF-8; terms from the text
    // in either case, and terms of those scripts.
    Case NextUnicode();

private:
    void PickOptions(Case& c);
    std::uint32_t Pick(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    char From(const std::string& alphabet) { return alphabet[Pick(static_cast<std::uint32_t>(alphabet.size()))]; }
    std::string Random(std::size_t n, const std::string& alphabet);
    std::string Word();
    std::string File();
    std::string Term(const std::string& file);
    // An expression over the terms that pick() gives.
    template <typename PickTerm>
    std::string Sequence(PickTerm& pick, int depth, int& budget);
    std::string Spelling(const std::string& term);
    std::string Unit(const std::vector<std::string>& terms, bool longUnit);
    std::string UnicodeWord();

    std::mt19937 rng_;
};

}  // namespace quarvel
