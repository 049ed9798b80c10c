#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "settings/operator_rule.h"
#include "query/tstr.h"

namespace quarvel {
namespace {

using Items = std::vector<std::uint32_t>;
using Texts = std::vector<std::string>;
using Flags = std::vector<std::uint8_t>;
constexpr std::uint32_t R = kItemReference;
const std::array<std::string, kOperatorCount> kDefaults = {"+", "|", "-", "\"", "(", ")", ",", "-"};

Texts TextsOf(const Tstr& q) {
    Texts texts;
    for (const TSaveString& t : q.Terms()) texts.push_back(t.text);
    return texts;
}

class QueryCompilerTest : public ::testing::Test {
protected:
    void SetUp() override { cfg.Operators = kDefaults; }
    Tstr Compile(std::string expression) { return Tstr(expression, cfg); }
    Texts TermsOf(std::string expression) { return TextsOf(Compile(expression)); }
    std::string ErrorOf(std::string expression) {
        try {
            Tstr query(expression, cfg);
        } catch (const QuarvelError& e) {
            return e.what();
        }
        return "compiled";
    }
    TSearchCFG cfg;
};

// Every assignment of the terms, bit i giving term i.
template <typename Expected>
void ExpectTruthTable(Tstr q, Expected expected) {
    const std::uint32_t n = q.TermCount();
    for (std::uint32_t bits = 0; bits < (1u << n); ++bits) {
        Flags f(n);
        for (std::uint32_t i = 0; i < n; ++i) f[i] = (bits >> i) & 1;
        const int want = expected(f) ? 1 : 0;
        EXPECT_EQ(q.Evaluate(Flags(f).data()), want) << "assignment " << bits;
    }
}

TEST_F(QueryCompilerTest, EvaluatesLeftToRightWithGroupsAndNot) {
    Tstr empty = Compile("");
    EXPECT_EQ(empty.TermCount(), 0u);
    EXPECT_EQ(empty.Evaluate(nullptr), 1);
    EXPECT_EQ(empty.EvaluatePartial(nullptr), 1);

    ExpectTruthTable(Compile("a+b|c"), [](auto& f) { return (f[0] && f[1]) || f[2]; });
    ExpectTruthTable(Compile("a|b+c"), [](auto& f) { return (f[0] || f[1]) && f[2]; });
    ExpectTruthTable(Compile("-a"), [](auto& f) { return !f[0]; });
    ExpectTruthTable(Compile("a+-(b|c)"), [](auto& f) { return f[0] && !(f[1] || f[2]); });
    ExpectTruthTable(Compile("-(a)+b"), [](auto& f) { return !f[0] && f[1]; });
    ExpectTruthTable(Compile("x+(a|(b))+c"), [](auto& f) { return f[0] && (f[1] || f[2]) && f[3]; });
    ExpectTruthTable(Compile("((a|b)+(c|d))|e"),
                     [](auto& f) { return ((f[0] || f[1]) && (f[2] || f[3])) || f[4]; });
    Tstr nested = Compile("(((a)))");
    EXPECT_EQ(nested.DeepestLevel(), 3u);
    EXPECT_EQ(nested.Levels().size(), 1u);
    ExpectTruthTable(nested, [](auto& f) { return f[0]; });
}

TEST_F(QueryCompilerTest, TermsArePlainBytesAndPhrasesHoldOperators) {
    Tstr spaced = Compile("cat + dog|cat");
    EXPECT_EQ(TextsOf(spaced), (Texts{"cat ", " dog", "cat"}));
    EXPECT_EQ(spaced.LongestTerm(), 4u);
    EXPECT_EQ(TermsOf(std::string("a\0b+c", 5)), (Texts{std::string("a\0b", 3), "c"}));

    EXPECT_EQ(TermsOf("\"a+b\""), (Texts{"a+b"}));
    ExpectTruthTable(Compile("x|\"(-y|\"+-z"), [](auto& f) { return (f[0] || f[1]) && !f[2]; });
    EXPECT_EQ(TermsOf("x|\"(-y|\"+-z"), (Texts{"x", "(-y|", "z"}));
    EXPECT_EQ(TermsOf("a\"\"+b"), (Texts{"a", "b"}));  // an empty phrase is no term
    cfg.Operators[kOpQuote] = "<>";
    EXPECT_EQ(TermsOf("<>a+b<>|c"), (Texts{"a+b", "c"}));
}

TEST_F(QueryCompilerTest, IgnoreCaseLowersOnlyTermBytesOfTheExpression) {
    cfg.SearchIgnoreCase = 1;
    std::string plain = "Cat+DOG", phrase = "\"Big CAT\"|\u00c9T\u00c9";
    EXPECT_EQ(TextsOf(Tstr(plain, cfg)), (Texts{"cat", "dog"}));
    EXPECT_EQ(plain, "cat+dog");
    EXPECT_EQ(TextsOf(Tstr(phrase, cfg)), (Texts{"big cat", "\u00e9t\u00e9"}));
    EXPECT_EQ(phrase, "\"big cat\"|\u00e9t\u00e9");
    // Unicode's simple lower case, though a character's bytes change in number:
    // the Kelvin sign is a "k", the capital sigma a "\u03c3" even at a word's end.
    std::string wide = "\u212a+\u041f\u0420\u0418\u0412\u0415\u0422+\u039b\u039f\u0393\u039f\u03a3";
    EXPECT_EQ(TextsOf(Tstr(wide, cfg)), (Texts{"k", "\u043f\u0440\u0438\u0432\u0435\u0442", "\u03bb\u03bf\u03b3\u03bf\u03c3"}));
    EXPECT_EQ(wide, "k+\u043f\u0440\u0438\u0432\u0435\u0442+\u03bb\u03bf\u03b3\u03bf\u03c3");

    cfg.Operators[kOpAnd] = "AND";
    cfg.Operators[kOpQuote] = "Q";
    std::string letters = "CatANDQDoG+XQ";
    EXPECT_EQ(TextsOf(Tstr(letters, cfg)), (Texts{"cat", "dog+x"}));
    EXPECT_EQ(letters, "catANDQdog+xQ");

    cfg = TSearchCFG();
    cfg.Operators = kDefaults;
    std::string kept = "Cat+DOG";
    EXPECT_EQ(TextsOf(Tstr(kept, cfg)), (Texts{"Cat", "DOG"}));
    EXPECT_EQ(kept, "Cat+DOG");
}

TEST_F(QueryCompilerTest, OperatorsMatchExactlyEarliestFirstThenInOrder) {
    cfg.Operators[kOpAnd] = "AND";
    EXPECT_EQ(TermsOf("xANDy"), (Texts{"x", "y"}));
    EXPECT_EQ(TermsOf("xandy"), (Texts{"xandy"}));

    cfg.Operators[kOpAnd] = "b";
    cfg.Operators[kOpOr] = "a";
    EXPECT_EQ(Compile("1a2b3").Levels()[0].items, (Items{0, kItemOr, 1, kItemAnd, 2}));
    cfg.Operators[kOpAnd] = "ab";
    EXPECT_EQ(TermsOf("1ab2"), (Texts{"1", "2"}));
    cfg.Operators[kOpAnd] = "a";
    cfg.Operators[kOpOr] = "ab";
    EXPECT_EQ(TermsOf("1ab2"), (Texts{"1", "b2"}));

    // An empty operator never occurs; only 10 characters of an operator count.
    cfg.Operators = kDefaults;
    cfg.Operators[kOpAnd] = "";
    cfg.Operators[kOpQuote] = "";
    cfg.Operators[kOpNot] = "0123456789XYZ";
    EXPECT_EQ(TermsOf("\"a+b\"|c"), (Texts{"\"a+b\"", "c"}));
    EXPECT_EQ(Compile("a|0123456789b").Levels()[0].items, (Items{0, kItemOr, kItemNot, 1}));
}

TEST_F(QueryCompilerTest, EveryMalformedExpressionGetsItsMessage) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"abc", "Missing QUOTE"},        {"a|\"b", "Missing QUOTE"},
        {"a\"", "Missing QUOTE"},          {"((a)", "Missing RBracket"},
        {"a)", "Missing LBracket"},        {"(a))", "Missing LBracket"},
        {"a)+(b", "Missing LBracket"},     {"(a)+b)+(c", "Missing LBracket"},
        {"a+", "Missing operand"},         {"-", "Missing operand"},
        {"(a|)", "Missing operand"},       {"()", "Missing operand"},
        {"a+()", "Missing operand"},       {"\"\"", "Missing operand"},
        {"+a", "Error using Boolean"},     {"(|a)", "Error using Boolean"},
        {"a(b)", "Missing Boolean"},       {"(a)b", "Missing Boolean"},
        {"\"x\"y", "Missing Boolean"},     {"a-b", "Missing Boolean"},
        {"a-+b", "Missing Boolean"},       {"(a)-b", "Missing Boolean"},
        {"a)(b", "Missing Boolean"},       {"a++b", "Double Boolean"},
        {"a+|b", "Double Boolean"},        {"a+--b", "Double Boolean"},
        {"--a", "Double Boolean"},
    };
    for (const auto& [expression, detail] : cases)
        EXPECT_EQ(ErrorOf(expression), std::string("Invalid String(s):\n") + detail) << expression;
    EXPECT_EQ(ErrorOf("(a)+(b)"), "compiled");
}

TEST_F(QueryCompilerTest, BuildsTheDescribedProgram) {
    Tstr q = Compile("(a|b)+-c");
    EXPECT_EQ(q.DeepestLevel(), 1u);
    ASSERT_EQ(q.Segments().size(), 2u);
    EXPECT_EQ(q.Segments()[1].items, (Items{R + 0, kItemAnd, kItemNot, 2}));
    ASSERT_EQ(q.Levels().size(), 2u);
    EXPECT_EQ(q.Levels()[0].items, (Items{0, kItemOr, 1}));
    EXPECT_EQ(q.Levels()[1].items, (Items{R + 0, kItemAnd, kItemNot, 2}));
    EXPECT_EQ(q.Levels()[0].depth, 1);
    EXPECT_EQ(q.Levels()[1].result, -1);

    // Segment references become level references: b and c are placed first.
    Tstr r = Compile("a+(b)|(c)");
    ASSERT_EQ(r.Segments().size(), 4u);
    EXPECT_EQ(r.Segments()[2].items, (Items{R + 0, kItemOr, R + 3}));
    std::vector<std::int32_t> links;
    for (const TSaveLevel& s : r.Segments()) links.push_back(s.link);
    EXPECT_EQ(links, (std::vector<std::int32_t>{2, 0, 3, 1}));
    ASSERT_EQ(r.Levels().size(), 4u);
    EXPECT_EQ(r.Levels()[2].items, (Items{0, kItemAnd, R + 0}));
    EXPECT_EQ(r.Levels()[3].items, (Items{R + 2, kItemOr, R + 1}));
}

TEST_F(QueryCompilerTest, EvaluateResetsForTheNextUnitAndPartialDecidesOnlyWhenForced) {
    Tstr q = Compile("a+-b|c");
    Flags flags = {1, 0, 0};
    EXPECT_EQ(q.Evaluate(flags.data()), 1);
    EXPECT_EQ(flags, (Flags{0, 0, 0}));
    for (const TSaveLevel& level : q.Levels()) EXPECT_EQ(level.result, -1);
    flags = {9, 255, 0};  // any non-zero byte counts as found
    EXPECT_EQ(q.Evaluate(flags.data()), 0);

    const std::pair<Flags, int> partial[] = {
        {{0, 2, 2}, 2}, {{0, 2, 1}, 1}, {{1, 1, 0}, 0}, {{1, 2, 0}, 2}, {{1, 0, 2}, 1}};
    for (const auto& [state, want] : partial) EXPECT_EQ(q.EvaluatePartial(state.data()), want);
}

TEST_F(QueryCompilerTest, PolaritiesFollowTheNotsAboveEachTerm) {
    constexpr std::uint8_t P = Tstr::kPolarityPlain, N = Tstr::kPolarityNegated;
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"a+-b", {P, N}},
        {"-(a|-b)+c", {N, P, P}},
        {"(-(-(a)))|-(b+-(c|d))", {P, N, P, P}},
        {"a", {P}},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(Compile(text).TermPolarities(), want) << text;
}

// Recursive descent over the default operators, combining left to right.
struct Reference {
    const std::string& s;
    const Flags& f;
    std::size_t pos = 0, term = 0;
    bool Expr() {
        bool v = Operand();
        while (pos < s.size() && (s[pos] == '+' || s[pos] == '|')) {
            const char op = s[pos++];
            const bool w = Operand();
            v = op == '+' ? v && w : v || w;
        }
        return v;
    }
    bool Operand() {
        if (s[pos] == '-') {
            ++pos;
            return !Operand();
        }
        if (s[pos] == '(') {
            ++pos;
            const bool v = Expr();
            ++pos;  // the closing bracket
            return v;
        }
        if (s[pos] == '"') pos = s.find('"', pos + 1) + 1;
        while (pos < s.size() && std::string("+|-()\"").find(s[pos]) == std::string::npos) ++pos;
        return f.at(term++) != 0;
    }
};

std::string RandomExpression(std::mt19937& rng, int depth) {
    static const char* const kTerms[] = {"a", "b", "cat", "\"x+(y\"", "\"-|\""};
    std::string s;
    for (int n = 1 + rng() % 3; n > 0; --n) {
        if (!s.empty()) s += rng() % 2 ? "+" : "|";
        if (rng() % 4 == 0) s += "-";
        s += depth < 3 && rng() % 3 == 0 ? "(" + RandomExpression(rng, depth + 1) + ")" : kTerms[rng() % 5];
    }
    return s;
}

TEST_F(QueryCompilerTest, RandomExpressionsAgreeWithAReferenceEvaluator) {
    std::mt19937 rng(20240611);
    int decidedEarly = 0;
    for (int round = 0; round < 400; ++round) {
        const std::string text = RandomExpression(rng, 0);
        Tstr q = Compile(text);
        const std::uint32_t n = q.TermCount();
        const bool exhaustive = n <= 10;
        const std::uint32_t trials = exhaustive ? 1u << n : 16;
        std::vector<int> outcome(trials);
        for (std::uint32_t t = 0; t < trials; ++t) {
            Flags f(n);
            for (std::uint32_t i = 0; i < n; ++i) f[i] = exhaustive ? (t >> i) & 1 : rng() % 2;
            Reference ref{text, f};
            outcome[t] = ref.Expr() ? 1 : 0;
            ASSERT_EQ(ref.term, n) << text;
            ASSERT_EQ(q.EvaluatePartial(f.data()), outcome[t]) << text;
            Flags work = f;
            ASSERT_EQ(q.Evaluate(work.data()), outcome[t]) << text;
            ASSERT_EQ(work, Flags(n, 0));
        }
        if (!exhaustive) continue;
        // A decided partial assignment must match every completion of it.
        for (int trial = 0; trial < 20; ++trial) {
            Flags state(n);
            std::uint32_t mask = 0, bits = 0;
            for (std::uint32_t i = 0; i < n; ++i) {
                state[i] = rng() % 3;
                if (state[i] < 2) mask |= 1u << i, bits |= std::uint32_t{state[i]} << i;
            }
            const int partial = q.EvaluatePartial(state.data());
            if (partial == 2) continue;
            decidedEarly += mask != (1u << n) - 1;
            for (std::uint32_t c = 0; c < (1u << n); ++c) {
                if ((c & mask) == bits) {
                    ASSERT_EQ(outcome[c], partial) << text << " completion " << c;
                }
            }
        }
    }
    EXPECT_GT(decidedEarly, 100);
}

TEST(QueryOperatorRuleTest, FirstBrokenRuleWins) {
    struct Case {
        std::vector<std::pair<int, std::string>> changes;
        OperatorProblem problem;
        int position;
    };
    const Case cases[] = {
        {{}, OperatorProblem::None, -1},
        {{{kOpAnd, ""}}, OperatorProblem::Missing, kOpAnd},
        {{{kOpLevelClose, ""}}, OperatorProblem::Missing, kOpLevelClose},
        {{{kOpFileNotSearch, ""}}, OperatorProblem::Missing, kOpFileNotSearch},
        {{{kOpAnd, "AND"}, {kOpOr, "and"}}, OperatorProblem::Duplicate, kOpOr},
        {{{kOpAnd, "AND"}, {kOpOr, "AN"}}, OperatorProblem::None, -1},
        {{{kOpQuote, "\xC9t"}, {kOpLevelClose, "\xE9T"}}, OperatorProblem::Duplicate, kOpLevelClose},
        {{{kOpAnd, "ABCDEFGHIJ"}, {kOpOr, "ABCDEFGHIK"}}, OperatorProblem::None, -1},
        {{{kOpAnd, "ABCDEFGHIJ12"}, {kOpOr, "abcdefghij34"}}, OperatorProblem::Duplicate, kOpOr},
        {{{kOpAnd, "x"}, {kOpOr, ""}, {kOpNot, "X"}}, OperatorProblem::Duplicate, kOpNot},
        {{{kOpFileSeparator, ""}, {kOpLevelClose, "("}}, OperatorProblem::Duplicate, kOpLevelClose},
        {{{kOpFileNotSearch, ","}}, OperatorProblem::Duplicate, kOpFileNotSearch},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        auto ops = kDefaults;
        for (const auto& [position, text] : cases[i].changes) ops[position] = text;
        const OperatorCheck check = CheckOperatorSet(ops);
        EXPECT_EQ(check.problem, cases[i].problem) << "case " << i;
        EXPECT_EQ(check.position, cases[i].position) << "case " << i;
        const char* message = check.problem == OperatorProblem::Missing     ? "Missing operator"
                              : check.problem == OperatorProblem::Duplicate ? "Dublicate operator"
                                                                            : "";
        EXPECT_EQ(check.message, message);
    }
    // Each group is checked on its own.
    auto ops = kDefaults;
    ops[kOpFileSeparator] = "";
    ops[kOpNot] = "|";
    EXPECT_EQ(CheckExpressionOperators(ops).position, kOpNot);
    EXPECT_EQ(CheckFileOperators(ops).position, kOpFileSeparator);
    ops[kOpNot] = "-";
    EXPECT_TRUE(CheckExpressionOperators(ops).ok());
}

}  // namespace
}  // namespace quarvel
