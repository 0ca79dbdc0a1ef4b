#include "io/banks/bank.h"

#include <algorithm>
#include <cstring>

namespace korva::io {
namespace {

int64_t roundUp16(int64_t n) { return (n + 15) / 16 * 16; }

}  // namespace

std::unique_ptr<Bank> Bank::create(int32_t size) {
  size = std::max(size, 0);
  std::unique_ptr<Bank> bank(new Bank());
  bank->capacity_ = roundUp16(size);
  if (bank->capacity_ > 0) {
    bank->data_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bank->capacity_), 1)));
    if (!bank->data_) return nullptr;
  }
  bank->size_ = size;
  return bank;
}

bool Bank::resize(int32_t size) {
  size = std::max(size, 0);
  if (size > capacity_) {
    int64_t capacity = std::max<int64_t>(capacity_ * 3 / 2, size);
    capacity = roundUp16(capacity);
    auto* grown = static_cast<uint8_t*>(std::realloc(data_.get(), static_cast<size_t>(capacity)));
    if (!grown) return false;
    (void)data_.release();
    data_.reset(grown);
    capacity_ = capacity;
  }
  // Bytes past the old size may hold what a shrink left behind.
  if (size > size_) std::memset(data_.get() + size_, 0, static_cast<size_t>(size - size_));
  size_ = size;
  return true;
}

}  // namespace korva::io
