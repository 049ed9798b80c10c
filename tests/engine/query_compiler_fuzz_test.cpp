#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/unicode_text.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {
namespace {

// The program must be well formed whatever the expression was.
void ExpectSoundProgram(const Tstr& q) {
    const auto& levels = q.Levels();
    ASSERT_FALSE(levels.empty());
    std::vector<int> referenced(levels.size(), 0);
    for (std::size_t l = 0; l < levels.size(); ++l) {
        const auto& items = levels[l].items;
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(levels[l].result, -1);
        if (l > 0) {
            EXPECT_LE(levels[l].depth, levels[l - 1].depth);
        }
        bool wantOperand = true;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::uint32_t item = items[i];
            ASSERT_NE(item, kItemPlaceholder);
            if (item == kItemNot) {
                ASSERT_TRUE(wantOperand && (i == 0 || items[i - 1] != kItemNot));
            } else if (item == kItemAnd || item == kItemOr) {
                ASSERT_FALSE(wantOperand);
                wantOperand = true;
            } else {
                ASSERT_TRUE(wantOperand);
                wantOperand = false;
                if (item & kItemReference) {
                    const std::uint32_t target = item - kItemReference;
                    ASSERT_LT(target, l) << "a level may refer only to an earlier one";
                    ++referenced[target];
                } else {
                    ASSERT_LT(item, q.TermCount());
                }
            }
        }
        ASSERT_FALSE(wantOperand);
    }
    // Every group is used exactly once; only the last level stands alone.
    for (std::size_t l = 0; l + 1 < levels.size(); ++l) EXPECT_EQ(referenced[l], 1) << "level " << l;
    EXPECT_EQ(referenced.back(), 0);
}

std::string RandomOperator(std::mt19937& rng, const std::string& alphabet) {
    if (rng() % 40 == 0) return "";
    const int r = rng() % 20;
    const std::size_t length = r < 12 ? 1 : r < 17 ? 2 : r < 19 ? 3 : 4 + rng() % 7;
    std::string op;
    for (std::size_t i = 0; i < length; ++i) op += alphabet[rng() % alphabet.size()];
    return op;
}

TEST(QueryCompilerFuzzTest, CompilesSoundlyOrFailsWithAListedMessage) {
    const std::set<std::string> messages = {
        "Invalid String(s):\nMissing QUOTE",      "Invalid String(s):\nMissing RBracket",
        "Invalid String(s):\nMissing LBracket",   "Invalid String(s):\nMissing operand",
        "Invalid String(s):\nError using Boolean", "Invalid String(s):\nMissing Boolean",
        "Invalid String(s):\nDouble Boolean",     "Invalid String(s):\nExternal error #1",
        "Invalid String(s):\nExternal error #2",
    };
    const std::array<std::string, kOperatorCount> defaults = {"+", "|", "-", "\"", "(", ")", ",", "-"};
    const std::string alphabet = "aAbB+(";
    std::mt19937 rng(0x51A7u);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int compiled = 0, failed = 0;

    for (int round = 0; round < 200000 && std::chrono::steady_clock::now() < deadline; ++round) {
        TSearchCFG cfg;
        cfg.Operators = defaults;
        if (rng() % 4 != 0)
            for (int k = 0; k < 6; ++k) cfg.Operators[k] = RandomOperator(rng, alphabet);
        cfg.SearchIgnoreCase = rng() % 2;

        // Mostly operator strings and short runs of the alphabet, with any byte now and then.
        std::string expression;
        for (int n = rng() % 12; n > 0; --n) {
            const int r = rng() % 10;
            if (r < 5) {
                expression += cfg.Operators[rng() % 6];
            } else if (r < 9) {
                for (int c = 1 + rng() % 2; c > 0; --c) expression += "abAB+(|-\")"[rng() % 10];
            } else {
                expression += static_cast<char>(rng() % 256);
            }
        }
        const std::string original = expression;

        std::optional<Tstr> q;
        try {
            q.emplace(expression, cfg);
        } catch (const QuarvelError& e) {
            ++failed;
            ASSERT_EQ(messages.count(e.what()), 1u) << e.what();
            continue;
        }
        ++compiled;

        // Only term characters change, and only by lower-casing.
        auto lowered = [](const std::string& text) {
            std::u32string chars = Utf8ToChars(text);
            for (char32_t& c : chars) c = LowerCase(c);
            return chars;
        };
        if (cfg.SearchIgnoreCase)
            ASSERT_EQ(lowered(expression), lowered(original));
        else
            ASSERT_EQ(expression, original);

        // The terms are the expression's own bytes, in order.
        std::uint32_t longest = 0;
        std::size_t from = 0;
        for (std::uint32_t i = 0; i < q->TermCount(); ++i) {
            ASSERT_GT(q->TermLength(i), 0u);
            from = expression.find(q->TermText(i), from);
            ASSERT_NE(from, std::string::npos) << original;
            from += q->TermLength(i);
            longest = std::max(longest, q->TermLength(i));
        }
        ASSERT_EQ(q->LongestTerm(), longest);
        if (q->TermCount() == 0) {
            ASSERT_TRUE(original.empty());
            continue;
        }
        ExpectSoundProgram(*q);

        for (int trial = 0; trial < 4; ++trial) {
            std::vector<std::uint8_t> flags(q->TermCount());
            for (auto& f : flags) f = rng() % 2;
            const int partial = q->EvaluatePartial(flags.data());
            ASSERT_TRUE(partial == 0 || partial == 1);
            ASSERT_EQ(q->Evaluate(flags.data()), partial) << original;
            ASSERT_TRUE(std::all_of(flags.begin(), flags.end(), [](std::uint8_t f) { return f == 0; }));
        }
    }
    // Both outcomes must have been exercised for the run to mean anything.
    EXPECT_GT(compiled, 1000);
    EXPECT_GT(failed, 1000);
}

// Long inputs must stay cheap: no rescanning of the whole text per term.
TEST(QueryCompilerFuzzTest, LongExpressionsCompileQuickly) {
    TSearchCFG cfg;
    cfg.Operators = {"+", "|", "-", "\"", "(", ")", ",", "-"};
    std::string expression;
    for (int i = 0; i < 20000; ++i) expression += (i % 2 ? "x|(y)+" : "-z+");
    expression += "w";
    const auto start = std::chrono::steady_clock::now();
    Tstr q(expression, cfg);
    EXPECT_EQ(q.TermCount(), 30001u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    std::string deep(3000, '(');
    deep += "a";
    deep += std::string(3000, ')');
    Tstr nested(deep, cfg);
    EXPECT_EQ(nested.DeepestLevel(), 3000u);
    std::vector<std::uint8_t> flags = {1};
    EXPECT_EQ(nested.Evaluate(flags.data()), 1);
}

}  // namespace
}  // namespace quarvel
