// Signal handling for the native backend. Faults of guest code arrive as signals; so does
// an end request for guest code that never calls the run-time. Handlers run on an
// alternate stack: the guest's stack may be the one that overflowed, or anything at all.
// Whatever is not the guest's goes to the handler that was installed before ours.
#pragma once
#include <signal.h>

namespace korva::guest::native {

inline constexpr int kEndSignal = SIGURG;  // ignored by default, so a stray one harms nothing

// Ours on every fault signal and on kEndSignal, on the alternate stack, keeping the
// handlers found there for chain(). Before each run: whoever replaced ours since becomes
// the one we chain to.
void installHandlers();

// This thread gets an alternate signal stack unless it has a big enough one already.
void ensureAltStack();

// Handlers that others installed for asynchronous signals (SDL's, the Ctrl-C one) are told
// to run on the alternate stack too; nothing else about them changes.
void moveOthersOntoAltStack();

// Hands a signal that is not the guest's to the handler installed before ours, or does
// what the default action would.
void chain(int sig, siginfo_t* info, void* context);

}  // namespace korva::guest::native
