#if defined(__x86_64__) && defined(__linux__)
#include "guest/native/seccomp.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "guest/memory.h"
#include "guest/native/low_memory.h"

namespace korva::guest::native {
namespace {

constexpr uint32_t kIpLow = offsetof(seccomp_data, instruction_pointer);

const sock_filter kFilter[] = {
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kIpLow + 4),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 2, 0),                                   // below 4 GiB: look closer
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_I386, 4, 3),                     // sysenter's: trap
    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kIpLow),
    BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, static_cast<uint32_t>(kZoneBase), 0, 1),  // below: allow
    BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, kRegionEnd, 0, 1),                         // inside: trap
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
};

long installFilter() {
  sock_fprog program{static_cast<unsigned short>(sizeof kFilter / sizeof kFilter[0]), const_cast<sock_filter*>(kFilter)};
  return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program);
}

}  // namespace

bool systemCallTrapAvailable() {
  uint32_t action = SECCOMP_RET_TRAP;
  return syscall(SYS_seccomp, SECCOMP_GET_ACTION_AVAIL, 0, &action) == 0;
}

bool trapGuestSystemCalls() {
  thread_local bool installed = false;
  if (installed) return true;
  if (installFilter() != 0) {
    if (errno != EACCES || prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || installFilter() != 0) return false;
  }
  installed = true;
  return true;
}

}  // namespace korva::guest::native
#endif
