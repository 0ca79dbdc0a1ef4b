// What the input devices need of the run they serve, declared here so the input, below
// the run, reaches it without knowing it.
#pragma once

namespace korva {

class InputHost {
 public:
  virtual ~InputHost() = default;
  // The run's poll: the queued events reach the devices before they are read.
  virtual void pollEvents() = 0;
  // Places the system pointer at graphics coordinates.
  virtual void moveSystemPointer(int x, int y) = 0;
  // The open graphics' size; false when none are open.
  virtual bool graphicsSize(int& width, int& height) const = 0;
};

}  // namespace korva
