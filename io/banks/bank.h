// A bank: a block of bytes a program sizes, reads and writes. Capacity grows by half of
// itself at a time, so growing a bank again and again copies it only a few times, and
// shrinking never copies.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace korva::io {

class Bank {
 public:
  // The storage of all live banks together stays within this: a program asking for
  // gigabytes gets "Out of memory" rather than the machine's memory.
  static constexpr int64_t kBudget = int64_t{256} << 20;
  static int64_t bytesInUse();

  // Null when the storage cannot be had. A negative size makes an empty bank.
  static std::unique_ptr<Bank> create(int32_t size);
  ~Bank();

  int32_t size() const { return size_; }
  int64_t capacity() const { return capacity_; }
  uint8_t* data() { return data_.get(); }
  // Bytes beyond the old size read as zero afterwards. False (bank unchanged) when the
  // storage cannot be had or would not fit the budget; a negative size empties the bank.
  bool resize(int32_t size);
  // True when the width bytes from offset all lie inside the bank.
  bool holds(int64_t offset, int64_t width) const {
    return offset >= 0 && width >= 0 && offset + width <= size_;
  }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  Bank() = default;
  std::unique_ptr<uint8_t, Free> data_;
  int32_t size_ = 0;
  int64_t capacity_ = 0;  // a multiple of 16, at least size_
};

}  // namespace korva::io
