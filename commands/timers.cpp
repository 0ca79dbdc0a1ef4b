// The timer commands over the run's live timers.
#include "commands/system.h"
#include "commands/system_run.h"
#include "core/errors.h"
#include "core/handles.h"
#include "run/run_context.h"

namespace korva {

int32_t CreateTimer(int32_t hertz) {
  if (hertz == 0) raiseRuntimeError("Integer divide by zero");
  // Faster than 1000 Hz would be a period of 0 ms, and a timer that never ticks would
  // leave WaitTimer waiting for ever.
  if (hertz < 0 || hertz > 1000) raiseRuntimeError("Timer frequency out of range");
  RunContext* run = systemRun();
  // No thread to be had gives 0: the soft failure of a create command.
  return run ? static_cast<int32_t>(run->timers().create(timerPeriodMs(hertz))) : 0;
}

int32_t WaitTimer(int32_t timer) {
  Timer* t = Handles::checked<Timer>(static_cast<uint32_t>(timer), HandleKind::Timer, "Timer does not exist");
  if (!t) return 0;
  int32_t ticks = TimerSet::wait(*t);
  if (RunContext* run = systemRun()) run->pollOrEnd();
  return ticks;
}

void FreeTimer(int32_t timer) {
  if (RunContext* run = systemRun()) run->timers().free(static_cast<uint32_t>(timer));
}

}  // namespace korva
