#pragma once
// What every fuzz target shares: taking settings from the front of the input
// and stopping loudly when a property fails.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/operator_rule.h"
#include "settings/search_cfg.h"

// A failed property is a crash, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace quarvel::fuzz {

// Reads the input from the front: small numbers, flags and texts; once the
// input runs out every read gives zeros and empty texts.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool Flag() { return Byte() & 1u; }
    // 0 .. n-1 (n > 0).
    std::uint32_t Below(std::uint32_t n) {
        std::uint32_t v = Byte();
        if (n > 256) v = v << 8 | Byte();
        if (n > 65536) v = v << 8 | Byte();
        return v % n;
    }
    std::uint16_t Word16() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
    std::uint32_t Word32() { return static_cast<std::uint32_t>(Word16()) << 16 | Word16(); }
    // A text of up to max bytes, its length in the byte before it.
    std::string Text(std::size_t max) {
        const std::size_t n = std::min<std::size_t>(Byte() % (max + 1), size_ - std::min(at_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }
    // Everything not read yet.
    std::string Rest() {
        std::string s = at_ < size_ ? std::string(reinterpret_cast<const char*>(data_ + at_), size_ - at_) : "";
        at_ = size_;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// One operator string: a default, a short run of characters that expressions
// and file lists are made of, or raw bytes.
inline std::string Operator(Input& in, int position) {
    static const char kChars[] = "+|-\"()&,;!~ aAbB*/\\.x";
    const std::uint8_t kind = in.Byte();
    switch (kind % 4) {
        case 0: return kOperatorDefaults[position];
        case 1:
        case 2: {
            std::string s(1 + kind / 4 % 3, ' ');
            for (char& c : s) c = kChars[in.Byte() % (sizeof kChars - 1)];
            return s;
        }
        default: return in.Text(kMaxOperatorLength);
    }
}

// Eight operator strings; false when the set breaks the operator rule (the
// settings dialog never lets such a set through).
inline bool Operators(Input& in, std::array<std::string, kOperatorCount>& ops) {
    for (int i = 0; i < kOperatorCount; ++i) ops[i] = Operator(in, i);
    return CheckOperatorSet(ops).ok();
}

}  // namespace quarvel::fuzz
