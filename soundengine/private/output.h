// Where the mix goes: an SDL audio device, or, when none can be opened, a thread that
// pulls the mix at the device's pace and drops it. Both call the render function from
// their own thread until they are destroyed.
#pragma once
#include <functional>
#include <memory>
#include <string>

namespace korva::sound {

using RenderFn = std::function<void(float* out, int frames)>;

class Output {
 public:
  virtual ~Output() = default;
  virtual int bufferFrames() const = 0;
  virtual bool isDevice() const = 0;
};

// Interleaved stereo float at rate; bufferFrames 0 lets SDL choose; device names one of
// SDL's output devices (empty: the system's default). Null when SDL has no such device to
// give, with the reason in problem. What the sound libraries print while they look for a
// device is kept off stderr.
std::unique_ptr<Output> openSdlOutput(int rate, int bufferFrames, const std::string& device, RenderFn render,
                                      std::string& problem);
// The names of SDL's output devices, comma-separated ("" when it lists none).
std::string outputDeviceNames();
std::unique_ptr<Output> openNullOutput(int rate, int bufferFrames, RenderFn render);

}  // namespace korva::sound
