#include "guest/cpu.h"

#include "guest/backend.h"
#include "guest/private/backend.h"
#include "core/errors.h"

namespace korva::guest {
namespace {

thread_local GuestCpu* t_current = nullptr;

}  // namespace

namespace detail {
uint32_t g_endRequested = 0;
}  // namespace detail

GuestCpu::GuestCpu() {
  if (const CpuBackend* b = activeBackend()) engine_ = b->open();
}

GuestCpu::~GuestCpu() {
  if (t_current == this) t_current = nullptr;
}

GuestCpu* GuestCpu::current() { return t_current; }

void GuestCpu::call(uint32_t entry) {
  if (!engine_) raiseRuntimeError(cpuChoice().reason.c_str());
  struct Current {
    GuestCpu* outer = t_current;
    explicit Current(GuestCpu* cpu) { t_current = cpu; }
    ~Current() { t_current = outer; }
  } current(this);
  engine_->call(entry);
}

void GuestCpu::requestEnd() {
  __atomic_store_n(&detail::g_endRequested, 1, __ATOMIC_RELEASE);
  if (const CpuBackend* b = preparedBackend()) b->interrupt();
}

void GuestCpu::clearEndRequest() { __atomic_store_n(&detail::g_endRequested, 0, __ATOMIC_RELEASE); }

}  // namespace korva::guest
