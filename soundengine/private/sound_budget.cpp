#include "soundengine/private/sound_budget.h"

#include <atomic>

#include "soundengine/sound_engine.h"

namespace korva::sound {
namespace {
std::atomic<size_t> g_inUse{0};
}  // namespace

size_t soundBytesInUse() { return g_inUse.load(); }
size_t soundBytesLeft() { return kSoundBudget - g_inUse.load(); }

BudgetShare& BudgetShare::operator=(BudgetShare&& other) noexcept {
  if (this != &other) {
    resize(0);
    bytes_ = other.bytes_;
    other.bytes_ = 0;
  }
  return *this;
}

bool BudgetShare::resize(size_t bytes) {
  if (bytes <= bytes_) {
    g_inUse -= bytes_ - bytes;
    bytes_ = bytes;
    return true;
  }
  const size_t more = bytes - bytes_;
  size_t now = g_inUse.load();
  do {
    if (more > kSoundBudget - now) return false;
  } while (!g_inUse.compare_exchange_weak(now, now + more));
  bytes_ = bytes;
  return true;
}

}  // namespace korva::sound
