#pragma once
#include <cstddef>
#include <functional>
#include <list>
#include <unordered_map>
#include <utility>

namespace quarvel {

// A map that keeps at most `capacity` entries, those used last: a lookup
// makes its entry the newest, and adding to a full cache drops the oldest.
// The viewer's drawn characters live in one, so that a file of many distinct
// characters cannot make them grow without bound.
template <class Key, class Value, class Hash = std::hash<Key>>
class LruCache {
public:
    explicit LruCache(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    // The entry, made the newest; nothing when there is none.
    Value* Find(const Key& key) {
        const auto found = index_.find(key);
        if (found == index_.end()) return nullptr;
        order_.splice(order_.begin(), order_, found->second);
        return &found->second->second;
    }
    // Adds or replaces the entry as the newest. The reference holds until the
    // next Put or Clear.
    Value& Put(const Key& key, Value value) {
        if (Value* found = Find(key)) return *found = std::move(value);
        if (order_.size() >= capacity_) {
            index_.erase(order_.back().first);
            order_.pop_back();
        }
        order_.emplace_front(key, std::move(value));
        index_.emplace(key, order_.begin());
        return order_.front().second;
    }
    void Clear() {
        index_.clear();
        order_.clear();
    }
    std::size_t Size() const { return order_.size(); }
    std::size_t Capacity() const { return capacity_; }

private:
    using Entries = std::list<std::pair<Key, Value>>;
    std::size_t capacity_;
    Entries order_;  // newest first
    std::unordered_map<Key, typename Entries::iterator, Hash> index_;
};

}  // namespace quarvel
