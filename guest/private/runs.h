// First-fit allocation of runs of equal units (heap spans, code pages); a freed run merges
// with its free neighbours.
#pragma once
#include <cstdint>
#include <iterator>
#include <map>

namespace korva::guest {

class Runs {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  explicit Runs(uint32_t units) : units_(units) {}

  // The first unit of n free ones, or kNone.
  uint32_t take(uint32_t n) {
    for (auto it = free_.begin(); it != free_.end(); ++it) {
      if (it->second < n) continue;
      uint32_t first = it->first, len = it->second;
      free_.erase(it);
      if (len > n) free_.emplace(first + n, len - n);
      return first;
    }
    // The last free run may end where the never-used units begin: together they may fit.
    if (!free_.empty()) {
      auto last = std::prev(free_.end());
      if (last->first + last->second == fresh_ && n - last->second <= units_ - fresh_) {
        uint32_t first = last->first;
        fresh_ += n - last->second;
        free_.erase(last);
        return first;
      }
    }
    if (n > units_ - fresh_) return kNone;
    uint32_t first = fresh_;
    fresh_ += n;
    return first;
  }

  void give(uint32_t first, uint32_t n) {
    auto next = free_.lower_bound(first);
    if (next != free_.end() && next->first == first + n) {
      n += next->second;
      next = free_.erase(next);
    }
    if (next != free_.begin()) {
      auto prev = std::prev(next);
      if (prev->first + prev->second == first) {
        prev->second += n;
        return;
      }
    }
    free_.emplace(first, n);
  }

  // Units at and above this one have never been handed out.
  uint32_t highWater() const { return fresh_; }

 private:
  std::map<uint32_t, uint32_t> free_;  // first unit -> length
  uint32_t fresh_ = 0;
  uint32_t units_;
};

}  // namespace korva::guest
