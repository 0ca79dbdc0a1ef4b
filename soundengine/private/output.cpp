#include "soundengine/private/output.h"

#include <SDL2/SDL.h>

#include "soundengine/private/quiet_libraries.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace korva::sound {
namespace {

class SdlOutput : public Output {
 public:
  explicit SdlOutput(RenderFn render) : render_(std::move(render)) {}
  ~SdlOutput() override {
    // Closing waits for a callback in progress, so render_ outlives every call.
    if (device_) SDL_CloseAudioDevice(device_);
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool open(int rate, int bufferFrames, const std::string& device, std::string& problem) {
    QuietSoundLibraries quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      problem = quiet.reason(SDL_GetError());
      return false;
    }
    initialised_ = true;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(bufferFrames);
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device wants, so the mix keeps its
    // one format.
    device_ = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 0, &want, &have, 0);
    if (device_ == 0) {
      problem = quiet.reason(SDL_GetError());
      return false;
    }
    frames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  int bufferFrames() const override { return frames_; }
  bool isDevice() const override { return true; }

 private:
  static void callback(void* user, Uint8* stream, int bytes) {
    auto* self = static_cast<SdlOutput*>(user);
    self->render_(reinterpret_cast<float*>(stream), bytes / static_cast<int>(2 * sizeof(float)));
  }

  RenderFn render_;
  SDL_AudioDeviceID device_ = 0;
  int frames_ = 0;
  bool initialised_ = false;
};

class NullOutput : public Output {
 public:
  NullOutput(int rate, int frames, RenderFn render)
      : render_(std::move(render)), frames_(frames > 0 ? frames : 1024), buffer_(static_cast<size_t>(2 * frames_)) {
    const auto period = std::chrono::nanoseconds(int64_t{1000000000} * frames_ / rate);
    thread_ = std::thread([this, period] { run(period); });
  }
  ~NullOutput() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  int bufferFrames() const override { return frames_; }
  bool isDevice() const override { return false; }

 private:
  // Absolute deadlines, so the pace matches real time however long a render takes.
  void run(std::chrono::nanoseconds period) {
    auto next = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      next += period;
      if (wake_.wait_until(lock, next, [this] { return stopping_; })) return;
      lock.unlock();
      render_(buffer_.data(), frames_);
      lock.lock();
    }
  }

  RenderFn render_;
  int frames_;
  std::vector<float> buffer_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;  // last: started once everything it uses exists
};

}  // namespace

std::unique_ptr<Output> openSdlOutput(int rate, int bufferFrames, const std::string& device, RenderFn render,
                                      std::string& problem) {
  auto out = std::make_unique<SdlOutput>(std::move(render));
  problem.clear();
  if (!out->open(rate, bufferFrames, device, problem)) return nullptr;
  return out;
}

std::string outputDeviceNames() {
  QuietSoundLibraries quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return {};
  std::string names;
  for (int i = 0, n = SDL_GetNumAudioDevices(0); i < n; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 0);
    if (!name) continue;
    if (!names.empty()) names += ", ";
    names += name;
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return names;
}

std::unique_ptr<Output> openNullOutput(int rate, int bufferFrames, RenderFn render) {
  return std::make_unique<NullOutput>(rate, bufferFrames, std::move(render));
}

}  // namespace korva::sound

