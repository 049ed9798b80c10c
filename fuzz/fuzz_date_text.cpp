// The date text of the search dialog: what it accepts is the date its digits
// say, and every date it shows reads back as the same date.
#include "fuzz_support.h"
#include "platform/clock.h"
#include "search/date_text.h"

using namespace quarvel;

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The three numbers of "day<non-digit>month<non-digit>year", or false.
bool Numbers(std::string_view text, long long (&parts)[3]) {
    std::size_t i = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t start = i;
        while (i < text.size() && Digit(text[i])) ++i;
        if (i == start || i - start > 9) return false;
        parts[k] = std::stoll(std::string(text.substr(start, i - start)));
        if (k < 2) {
            if (i >= text.size()) return false;
            ++i;
        }
    }
    return i == text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint16_t today = in.Word16();
    const std::uint16_t packed = in.Word16();
    const std::string text = in.Rest();

    const std::optional<std::uint16_t> date = DateTextToDate(text, today);
    if (text.empty()) {
        FUZZ_CHECK(date && *date == today);
    } else {
        long long parts[3];
        const bool shaped = Numbers(text, parts);
        if (date) {
            FUZZ_CHECK(shaped);
            const long long year = parts[2] < 100 ? parts[2] + 1900 : parts[2];
            FUZZ_CHECK(IsValidDosDate(*date));
            FUZZ_CHECK(DosDay(*date) == parts[0] && DosMonth(*date) == parts[1] && DosYear(*date) == year);
        } else if (shaped) {
            const long long year = parts[2] < 100 ? parts[2] + 1900 : parts[2];
            // Refused only when no packed date has these numbers.
            FUZZ_CHECK(year < 1980 || year > 2107 ||
                       !IsValidCalendarDate(static_cast<int>(parts[0]), static_cast<int>(parts[1]),
                                            static_cast<int>(year)));
        }
        if (date) {
            const std::string shown = DateToText(*date);
            FUZZ_CHECK(shown.size() == 10);
            const std::optional<std::uint16_t> back = DateTextToDate(shown, today);
            FUZZ_CHECK(back && *back == *date);
        }
    }
    // Any packed date shows as ten characters; a valid one reads back as itself.
    const std::string shown = DateToText(packed);
    FUZZ_CHECK(shown.size() == 10);
    const std::optional<std::uint16_t> back = DateTextToDate(shown, today);
    if (IsValidDosDate(packed)) FUZZ_CHECK(back && *back == packed);
    return 0;
}
