// Unicorn's functions, loaded with the library when the emulated CPU is chosen: a process
// whose programs run on the processor itself never maps the emulator, which is most of
// what such a process would otherwise hold in memory (core/optional_library.h).
#pragma once
#include <unicorn/unicorn.h>

#include "core/optional_library.h"

#define KORVA_UNICORN_FUNCTIONS(X)                                                                   \
  X(uc_open) X(uc_close) X(uc_ctl) X(uc_emu_start) X(uc_emu_stop) X(uc_hook_add) X(uc_mem_map_ptr) \
  X(uc_reg_read) X(uc_reg_write) X(uc_strerror)

namespace korva::guest {

struct UnicornFunctions {
  KORVA_UNICORN_FUNCTIONS(KORVA_OPTIONAL_FUNCTION)
};

// Loads Unicorn once per process; false when it cannot be loaded (said once on stderr).
bool unicornReady();
// The functions; only after unicornReady() said yes.
const UnicornFunctions& unicorn();

}  // namespace korva::guest
