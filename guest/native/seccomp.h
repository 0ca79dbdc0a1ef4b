// System calls from guest code would reach the kernel for real: "int 0x80", "syscall" or
// "sysenter" in 32-bit code, and any of them in 64-bit code that guest code reaches by a
// far jump to the 64-bit code selector. A seccomp filter on the guest thread turns every
// system call whose instruction lies in the backend's pages or guest memory
// (0x0FF00000-0x50000000), whatever its architecture, into SIGSYS, which ends the program
// with a run-time error. Nothing else below 4 GiB can run in this process (all of it is
// reserved without access), and the run-time's own calls, the trampolines' included, are
// made from its code above 4 GiB. 32-bit calls reported above 4 GiB (sysenter's) are
// trapped too.
//
// The filter is inherited by children of that thread (ExecFile). Their system calls from
// elsewhere run as ever: 64-bit programs, and 32-bit ones whose calls come from their vDSO
// or their own code at the usual addresses. Without the privilege to install a filter the
// thread first sets no_new_privs, which its children keep: a set-user-ID program they
// start does not gain its owner's rights.
#pragma once

namespace korva::guest::native {

// The kernel offers seccomp filters that trap.
bool systemCallTrapAvailable();

// Installs the filter on this thread once; false when it cannot.
bool trapGuestSystemCalls();

}  // namespace korva::guest::native
