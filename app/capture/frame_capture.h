// Watches the runtime window during a capture: counts the frames it shows, saves every
// K-th as a PNG, hands the scripted input to the window's event queue as the window
// system would deliver it, and ends the program as a window close would after N frames.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/capture/input_script.h"
#include "render/imagefile/image_file.h"
#include "window/runtime_window.h"

namespace korva::capture {

class FrameCapture final : public FrameObserver {
 public:
  // frames 0: no limit; dir empty: no screenshots.
  FrameCapture(int64_t frames, std::string dir, int64_t every, std::vector<InputAction> actions);

  void windowCreated(RuntimeWindow& window) override;
  void frameShown(RuntimeWindow& window, const Canvas& front) override;

  int64_t framesShown() const { return shown_; }
  int64_t screenshotsWritten() const { return written_; }
  bool reachedLimit() const { return limit_ > 0 && shown_ >= limit_; }
  // Why a screenshot could not be written (the capture then ended); empty otherwise.
  const std::string& failure() const { return failure_; }

  // The file name of frame n's screenshot: frame-000123.png.
  static std::string fileName(int64_t frame);

 private:
  void deliverUpTo(RuntimeWindow& window, int64_t frame);
  void deliver(RuntimeWindow& window, const InputAction& action);

  int64_t limit_;
  std::string dir_;
  int64_t every_;
  std::vector<InputAction> actions_;
  size_t next_ = 0;
  int64_t shown_ = 0;
  int64_t written_ = 0;
  std::string failure_;
  bool ended_ = false;
  int mouseX_ = 0, mouseY_ = 0;
  uint32_t buttons_ = 0;  // SDL button mask
  uint16_t modifiers_ = 0;
};

}  // namespace korva::capture
