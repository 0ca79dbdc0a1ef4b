// The engines running guest code now, so that an end request from any thread can stop
// them. This is the only stop from outside the engine: the run ends there, so where exactly
// the guest code stopped no longer matters.
#pragma once

struct uc_struct;

namespace korva::guest {

// Stops every running engine and keeps stopping it until its run leaves (a stop that lands
// while the engine starts again is otherwise lost).
void stopRunningEngines();

// While it lives, uc is a running engine.
class RunningEngine {
 public:
  explicit RunningEngine(uc_struct* uc);
  ~RunningEngine();
  RunningEngine(const RunningEngine&) = delete;
  RunningEngine& operator=(const RunningEngine&) = delete;

  // An end request applies to this run: made before it began or while it ran.
  bool ending() const;

 private:
  struct Entry* entry_;
};

}  // namespace korva::guest
