// Shared pieces of the stream, file, bank and TCP tests: a fixture with one life of the
// modules involved, an in-memory stream, a scratch directory and the error of a call.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "basic/strings.h"
#include "app/module_list.h"
#include "basic/basic_module.h"
#include "core/errors.h"
#include "guest/memory.h"
#include "io/commands.h"
#include "io/stream.h"
#include "support/error_of.h"
#include "support/guest_heap.h"

namespace korva::test {

// A stream over bytes in memory: reads hand out what is left, writes append.
class MemoryStream : public io::Stream {
 public:
  explicit MemoryStream(std::vector<uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
  int32_t read(void* buffer, int32_t count) override {
    largestRead = std::max(largestRead, count);
    int32_t n = std::clamp<int32_t>(static_cast<int32_t>(bytes_.size() - at_), 0, std::max(count, 0));
    if (n > 0) std::memcpy(buffer, bytes_.data() + at_, static_cast<size_t>(n));
    at_ += static_cast<size_t>(n);
    return n;
  }
  int32_t write(const void* buffer, int32_t count) override {
    auto* p = static_cast<const uint8_t*>(buffer);
    bytes_.insert(bytes_.end(), p, p + count);
    return count;
  }
  int32_t avail() override { return static_cast<int32_t>(bytes_.size() - at_); }
  int32_t eof() override { return at_ >= bytes_.size() ? 1 : 0; }
  void abandon() override { abandoned = true; }

  int32_t h() const { return static_cast<int32_t>(handle()); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  int32_t largestRead = 0;
  bool abandoned = false;
  size_t consumed() const { return at_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
};

// Guest memory taken until no block larger than `left` bytes can be had, for the life of
// the object. The blocks are never touched, so they cost address space only.
class GuestMemoryTaken {
 public:
  explicit GuestMemoryTaken(uint32_t left) {
    for (uint32_t largest; (largest = test::largestGuestBlock()) > left;) blocks_.push_back(guest::alloc(largest - left));
  }
  ~GuestMemoryTaken() {
    for (void* b : blocks_) guest::free(b);
  }
  GuestMemoryTaken(const GuestMemoryTaken&) = delete;
  GuestMemoryTaken& operator=(const GuestMemoryTaken&) = delete;
  bool taken() const { return !blocks_.empty(); }

 private:
  std::vector<void*> blocks_;
};

// A directory of its own under the system's temporary directory, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "korva_io_XXXXXX").string();
    path_ = mkdtemp(templ.data()) ? templ : "";
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Each test inside one life of the string pool, with the debug flag cleared afterwards.
class IoTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(basic_create()); }
  void TearDown() override {
    setDebugFlag(false);
    basic_destroy();
  }
  static vxStr* S(std::string_view text) { return vxStrNew(text); }
  // The text of a string result, which is released.
  static std::string text(vxStr* s) {
    std::string t(vxStrView(s));
    vxStrRelease(s);
    return t;
  }
};

}  // namespace korva::test
