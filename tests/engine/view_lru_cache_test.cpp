// The bounded cache of the viewer's drawn characters against a plain list
// kept in order of use.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "viewer/lru_cache.h"

namespace quarvel {
namespace {

TEST(ViewLruCache, RandomUsesKeepTheEntriesUsedLastAndNeverMoreThanTheCapacity) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        const std::size_t capacity = 1 + random() % 8;
        LruCache<int, std::string> cache(capacity);
        std::vector<std::pair<int, std::string>> plain;  // newest first
        for (int step = 0; step < 200; ++step) {
            const int key = static_cast<int>(random() % 12);
            const auto at = std::find_if(plain.begin(), plain.end(), [&](const auto& e) { return e.first == key; });
            if (random() % 2) {
                const std::string value = std::to_string(step);
                ASSERT_EQ(cache.Put(key, value), value);
                if (at != plain.end()) plain.erase(at);
                else if (plain.size() == capacity) plain.pop_back();
                plain.insert(plain.begin(), {key, value});
            } else {
                const std::string* found = cache.Find(key);
                ASSERT_EQ(found != nullptr, at != plain.end()) << "key " << key;
                if (!found) continue;
                ASSERT_EQ(*found, at->second);
                const auto entry = *at;
                plain.erase(at);
                plain.insert(plain.begin(), entry);
            }
            ASSERT_EQ(cache.Size(), plain.size());
            ASSERT_LE(cache.Size(), capacity);
        }
        cache.Clear();
        EXPECT_EQ(cache.Size(), 0u);
        EXPECT_EQ(cache.Find(0), nullptr);
    }
}

TEST(ViewLruCache, AMillionDistinctKeysStayWithinTheCapacity) {
    LruCache<char32_t, int> cache(2048);
    for (char32_t c = 0; c < 1000000; ++c) cache.Put(c, 1);
    EXPECT_EQ(cache.Size(), 2048u);
    EXPECT_NE(cache.Find(999999), nullptr);
    EXPECT_EQ(cache.Find(1000000 - 2049), nullptr);
}

}  // namespace
}  // namespace quarvel
