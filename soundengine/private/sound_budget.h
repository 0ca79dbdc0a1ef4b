// A share of the sound budget (kSoundBudget): what one sample, song or stream holds in
// memory. Shares may be given back on any thread (the mixer may drop the last reference to
// a sample), so the total is atomic.
#pragma once
#include <cstddef>

namespace korva::sound {

class BudgetShare {
 public:
  BudgetShare() = default;
  ~BudgetShare() { resize(0); }
  BudgetShare(BudgetShare&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = 0; }
  BudgetShare& operator=(BudgetShare&& other) noexcept;
  BudgetShare(const BudgetShare&) = delete;
  BudgetShare& operator=(const BudgetShare&) = delete;

  // Makes the share this many bytes. Growing fails, changing nothing, when the budget has
  // not that much left; shrinking always succeeds.
  bool resize(size_t bytes);
  size_t bytes() const { return bytes_; }

 private:
  size_t bytes_ = 0;
};

// What is left of the budget now.
size_t soundBytesLeft();

}  // namespace korva::sound
