// What a signal raised by guest code means to the program: the same run-time errors the
// emulated backend gives for the same instructions.
#pragma once
#include <signal.h>
#include <ucontext.h>

namespace korva::guest::native {

const char* faultMessage(int sig, const siginfo_t* info, const ucontext_t* context);

}  // namespace korva::guest::native
