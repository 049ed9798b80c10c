// The expression compiler with random operator sets: it either refuses the
// text with its message or gives a well-formed program, whose two-valued and
// three-valued evaluations agree.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "platform/error.h"
#include "query/tstr.h"

using namespace quarvel;

namespace {

void CheckProgram(const Tstr& q) {
    const auto& levels = q.Levels();
    FUZZ_CHECK(q.Terms().size() == q.TermCount());
    std::uint32_t longest = 0;
    for (std::uint32_t t = 0; t < q.TermCount(); ++t) longest = std::max(longest, q.TermLength(t));
    FUZZ_CHECK(longest == q.LongestTerm());
    if (q.TermCount() == 0) return;
    FUZZ_CHECK(!levels.empty());
    std::vector<int> referenced(levels.size(), 0);
    for (std::size_t l = 0; l < levels.size(); ++l) {
        const auto& items = levels[l].items;
        FUZZ_CHECK(!items.empty());
        FUZZ_CHECK(levels[l].result == -1);
        bool wantOperand = true;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::uint32_t item = items[i];
            FUZZ_CHECK(item != kItemPlaceholder);
            if (item == kItemNot) {
                FUZZ_CHECK(wantOperand);
            } else if (item == kItemAnd || item == kItemOr) {
                FUZZ_CHECK(!wantOperand);
                wantOperand = true;
            } else {
                FUZZ_CHECK(wantOperand);
                wantOperand = false;
                if (item & kItemReference) {
                    FUZZ_CHECK(item - kItemReference < l);  // only earlier levels
                    ++referenced[item - kItemReference];
                } else {
                    FUZZ_CHECK(item < q.TermCount());
                }
            }
        }
        FUZZ_CHECK(!wantOperand);
    }
    for (std::size_t l = 0; l + 1 < levels.size(); ++l) FUZZ_CHECK(referenced[l] == 1);
    FUZZ_CHECK(referenced.back() == 0);
}

// Two-valued results for every set of found terms (up to 2^8 of them), and a
// three-valued result that is decided only when every completion agrees.
void CheckEvaluation(Tstr& q, fuzz::Input& in) {
    const std::uint32_t n = q.TermCount();
    const std::uint32_t known = std::min<std::uint32_t>(n, 8);
    std::vector<std::uint8_t> found(n), state(n);
    for (int round = 0; round < 2; ++round) {
        // Terms beyond the enumerated ones take a fixed value from the input.
        std::vector<std::uint8_t> rest(n, 0);
        for (std::uint32_t t = known; t < n; ++t) rest[t] = in.Flag();
        std::vector<int> value(1u << known);
        for (std::uint32_t mask = 0; mask < (1u << known); ++mask) {
            for (std::uint32_t t = 0; t < n; ++t) found[t] = t < known ? (mask >> t & 1u) : rest[t];
            for (std::uint32_t t = 0; t < n; ++t) state[t] = found[t];
            value[mask] = q.Evaluate(found.data());
            FUZZ_CHECK(value[mask] == 0 || value[mask] == 1);
            for (std::uint8_t f : found) FUZZ_CHECK(f == 0);  // Evaluate clears the flags
            FUZZ_CHECK(q.EvaluatePartial(state.data()) == value[mask]);
        }
        // Some terms unknown: a decided outcome must be that of every completion.
        const std::uint32_t unknown = in.Byte() & ((1u << known) - 1);
        const std::uint32_t base = in.Byte() & ((1u << known) - 1) & ~unknown;
        for (std::uint32_t t = 0; t < n; ++t) state[t] = t < known ? ((unknown >> t & 1u) ? 2 : (base >> t & 1u)) : rest[t];
        const int partial = q.EvaluatePartial(state.data());
        FUZZ_CHECK(partial >= 0 && partial <= 2);
        bool seen[2] = {false, false};
        for (std::uint32_t mask = 0; mask < (1u << known); ++mask)
            if ((mask & ~unknown) == base) seen[value[mask]] = true;
        if (partial != 2) FUZZ_CHECK(seen[partial] && !seen[1 - partial]);
        else FUZZ_CHECK(unknown != 0);
        if (in.Empty()) break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    TSearchCFG cfg;
    cfg.SetDefaults();
    if (!fuzz::Operators(in, cfg.Operators)) return 0;
    cfg.SearchIgnoreCase = in.Flag();
    const std::size_t evalBytes = in.Byte() % 16;
    std::string expression = in.Text(255);
    const std::string original = expression;
    try {
        Tstr q(expression, cfg);
        FUZZ_CHECK(expression.size() == original.size());
        CheckProgram(q);
        for (std::uint32_t t = 0; t < q.TermCount(); ++t) FUZZ_CHECK(q.TermLength(t) > 0);
        const std::vector<std::uint8_t> polarity = q.TermPolarities();
        FUZZ_CHECK(polarity.size() == q.TermCount());
        std::string evalInput = in.Rest();
        evalInput.resize(std::max<std::size_t>(evalInput.size(), evalBytes));
        fuzz::Input evalIn(reinterpret_cast<const std::uint8_t*>(evalInput.data()), evalInput.size());
        CheckEvaluation(q, evalIn);
    } catch (const QuarvelError& e) {
        FUZZ_CHECK(std::strncmp(e.what(), "Invalid String(s):\n", 19) == 0);
    }
    return 0;
}
