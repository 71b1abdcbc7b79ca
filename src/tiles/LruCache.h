// A cache that keeps the most recently used values within a cost budget (the viewer
// keeps decoded tile images in it, costed by their bytes).
#pragma once

#include <cstddef>
#include <list>
#include <unordered_map>
#include <utility>

namespace kartovel::tools {

template <typename Key, typename Value>
class LruCache {
 public:
  explicit LruCache(size_t budget) : budget_(budget) {}

  // The value, now the most recently used; null when absent.
  Value* Find(const Key& key) {
    auto found = index_.find(key);
    if (found == index_.end()) {
      return nullptr;
    }
    order_.splice(order_.begin(), order_, found->second);
    return &found->second->value;
  }

  // Stores a value (replacing one under the same key) and drops the least recently
  // used values until the total cost fits the budget; the new value always stays.
  Value& Put(const Key& key, Value value, size_t cost) {
    Erase(key);
    order_.push_front(Slot{key, std::move(value), cost});
    index_.emplace(key, order_.begin());
    used_ += cost;
    while (used_ > budget_ && order_.size() > 1) {
      Erase(order_.back().key);
    }
    return order_.front().value;
  }

  void Erase(const Key& key) {
    auto found = index_.find(key);
    if (found == index_.end()) {
      return;
    }
    used_ -= found->second->cost;
    order_.erase(found->second);
    index_.erase(found);
  }

  void Clear() {
    order_.clear();
    index_.clear();
    used_ = 0;
  }

  size_t Count() const { return order_.size(); }
  size_t Used() const { return used_; }
  size_t Budget() const { return budget_; }

 private:
  struct Slot {
    Key key;
    Value value;
    size_t cost;
  };
  size_t budget_;
  size_t used_ = 0;
  std::list<Slot> order_;
  std::unordered_map<Key, typename std::list<Slot>::iterator> index_;
};

}  // namespace kartovel::tools
