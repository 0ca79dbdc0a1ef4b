#if defined(__x86_64__) && defined(__linux__)
#include "guest/native/signals.h"

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <mutex>

#include "guest/native/gate.h"

namespace korva::guest::native {
namespace {

constexpr int kHandled[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS, kEndSignal};
constexpr size_t kAltStackSize = 256 * 1024;  // room for a chained handler, a sanitizer's too
constexpr size_t kSmallestKept = 32 * 1024;

std::mutex g_handlerLock;
struct sigaction g_previous[NSIG];

bool isOurs(const struct sigaction& sa) {
  return (sa.sa_flags & SA_SIGINFO) && sa.sa_sigaction == reinterpret_cast<void (*)(int, siginfo_t*, void*)>(
                                                              &korva_native_signal_entry);
}

bool hasHandler(const struct sigaction& sa) {
  return (sa.sa_flags & SA_SIGINFO) ? sa.sa_sigaction != nullptr
                                    : sa.sa_handler != SIG_DFL && sa.sa_handler != SIG_IGN;
}

// The stack this thread got from us, given back when the thread ends.
struct AltStack {
  void* memory = nullptr;
  ~AltStack() {
    if (!memory) return;
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == static_cast<char*>(memory) + getpagesize()) {
      stack_t off{};
      off.ss_flags = SS_DISABLE;
      sigaltstack(&off, nullptr);
    }
    munmap(memory, kAltStackSize + getpagesize());
  }
};

// Faults of the instruction itself come back when the handler returns; anything sent or
// trapped does not.
bool refaults(int sig, const siginfo_t* info) {
  return info->si_code > 0 && (sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE);
}

}  // namespace

void installHandlers() {
  std::lock_guard lock(g_handlerLock);
  struct sigaction ours {};
  ours.sa_sigaction = reinterpret_cast<void (*)(int, siginfo_t*, void*)>(&korva_native_signal_entry);
  ours.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
  sigemptyset(&ours.sa_mask);
  for (int sig : kHandled) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) != 0 || isOurs(current)) continue;
    g_previous[sig] = current;
    sigaction(sig, &ours, nullptr);
  }
}

void ensureAltStack() {
  thread_local AltStack mine;
  stack_t current{};
  if (sigaltstack(nullptr, &current) != 0) return;
  if (!(current.ss_flags & SS_DISABLE) && current.ss_size >= kSmallestKept) return;
  if (!mine.memory) {
    size_t guard = getpagesize();
    void* m = mmap(nullptr, kAltStackSize + guard, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return;
    mprotect(m, guard, PROT_NONE);  // an overflow faults rather than writing below
    mine.memory = m;
  }
  stack_t s{};
  s.ss_sp = static_cast<char*>(mine.memory) + getpagesize();
  s.ss_size = kAltStackSize;
  sigaltstack(&s, nullptr);
}

void moveOthersOntoAltStack() {
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig == SIGKILL || sig == SIGSTOP || std::find(std::begin(kHandled), std::end(kHandled), sig) != std::end(kHandled))
      continue;
    struct sigaction sa {};
    if (sigaction(sig, nullptr, &sa) != 0 || !hasHandler(sa) || (sa.sa_flags & SA_ONSTACK)) continue;
    sa.sa_flags |= SA_ONSTACK;
    sigaction(sig, &sa, nullptr);
  }
}

void chain(int sig, siginfo_t* info, void* context) {
  const struct sigaction& previous = g_previous[sig];
  if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) return previous.sa_sigaction(sig, info, context);
  if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN)
    return previous.sa_handler(sig);
  if (sig == kEndSignal) return;  // ignored either way
  if (previous.sa_handler == SIG_IGN && !refaults(sig, info)) return;
  // As if we had never been here: the default action, on the fault repeating itself or on
  // the signal sent again (it stays blocked until this handler returns).
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(sig, &fallback, nullptr);
  if (!refaults(sig, info)) syscall(SYS_tgkill, getpid(), syscall(SYS_gettid), sig);
}

}  // namespace korva::guest::native
#endif
