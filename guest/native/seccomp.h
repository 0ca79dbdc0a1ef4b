// 32-bit system calls from guest code ("int 0x80", and "syscall" or "sysenter" where the
// processor takes them in compatibility mode) would reach the kernel for real: a seccomp
// filter on the guest thread turns them into SIGSYS, which ends the program as any other
// privileged instruction does.
//
// The filter is inherited by children of that thread (ExecFile). It traps only i386 calls
// made from the backend's pages and guest memory (0x0FF00000-0x50000000) or reported above
// 4 GiB (sysenter's), so 64-bit programs and the usual 32-bit ones, whose system calls come
// from their vDSO or their own code, run as ever. Without the privilege to install a filter
// the thread first sets no_new_privs, which its children keep: a set-user-ID program they
// start does not gain its owner's rights.
#pragma once

namespace korva::guest::native {

// The kernel offers seccomp filters that trap.
bool systemCallTrapAvailable();

// Installs the filter on this thread once; false when it cannot.
bool trapGuestSystemCalls();

}  // namespace korva::guest::native
