#include "io/banks/bank.h"

#include <algorithm>
#include <cstring>

namespace korva::io {
namespace {

int64_t roundUp16(int64_t n) { return (n + 15) / 16 * 16; }

int64_t g_capacities = 0;  // of every live bank

}  // namespace

int64_t Bank::bytesInUse() { return g_capacities; }

std::unique_ptr<Bank> Bank::create(int32_t size) {
  size = std::max(size, 0);
  const int64_t capacity = roundUp16(size);
  if (capacity > kBudget - g_capacities) return nullptr;
  std::unique_ptr<Bank> bank(new Bank());
  if (capacity > 0) {
    bank->data_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(capacity), 1)));
    if (!bank->data_) return nullptr;
  }
  bank->capacity_ = capacity;
  g_capacities += capacity;
  bank->size_ = size;
  return bank;
}

Bank::~Bank() { g_capacities -= capacity_; }

bool Bank::resize(int32_t size) {
  size = std::max(size, 0);
  if (size > capacity_) {
    const int64_t room = kBudget - g_capacities + capacity_;
    if (roundUp16(size) > room) return false;
    int64_t capacity = roundUp16(std::max<int64_t>(capacity_ * 3 / 2, size));
    // Near the end of the budget growing by half would overdraw it; the size asked for fits.
    if (capacity > room) capacity = roundUp16(size);
    auto* grown = static_cast<uint8_t*>(std::realloc(data_.get(), static_cast<size_t>(capacity)));
    if (!grown) return false;
    (void)data_.release();
    data_.reset(grown);
    g_capacities += capacity - capacity_;
    capacity_ = capacity;
  }
  // Bytes past the old size may hold what a shrink left behind.
  if (size > size_) std::memset(data_.get() + size_, 0, static_cast<size_t>(size - size_));
  size_ = size;
  return true;
}

}  // namespace korva::io
