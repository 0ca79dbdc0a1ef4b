// The run-time error a command raises, as text, for tests that call commands directly.
#pragma once
#include <string>

#include "core/errors.h"

namespace korva::test {

// The message of the run-time error that f raises; "" when it returns normally.
template <class F>
std::string errorOf(F&& f) {
  try {
    f();
  } catch (const vxEx& e) {
    return e.message ? e.message : "(quiet end)";
  }
  return "";
}

}  // namespace korva::test
