// The run the system module was started for; null outside a run.
#pragma once

namespace korva {
class RunContext;
RunContext* systemRun();
}  // namespace korva
