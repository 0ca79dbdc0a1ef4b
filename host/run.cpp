#include "host/run.h"

#include "guest/cpu.h"
#include "host/errors.h"
#include "host/registry.h"

namespace korva {

const char* runProgram(uint32_t entry) {
  auto mods = modules();
  size_t created = 0;
  for (; created < mods.size(); ++created)
    if (!mods[created].create()) break;
  const char* result = nullptr;
  if (created == mods.size()) {
    try {
      guest::GuestCpu cpu;
      cpu.call(entry);
    } catch (const vxEx& e) {
      result = e.message;
    }
  } else {
    result = "Unable to start program";
  }
  while (created > 0) mods[--created].destroy();
  return result;
}

}  // namespace korva
