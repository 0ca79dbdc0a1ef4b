#include "app/capture/frame_capture.h"

#include <SDL2/SDL.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "render/canvas/canvas.h"
#include "render/imagefile/image_file.h"
#include "window/scancodes.h"

namespace korva::capture {
namespace {

// The first scancode that the window maps to each key code.
SDL_Scancode scancodeFor(int code) {
  static const auto table = [] {
    std::array<SDL_Scancode, 256> t{};
    for (int sc = SDL_NUM_SCANCODES - 1; sc > 0; --sc) {
      int c = keyCodeForScancode(static_cast<SDL_Scancode>(sc));
      if (c > 0 && c < 256) t[c] = static_cast<SDL_Scancode>(sc);
    }
    return t;
  }();
  return code > 0 && code < 256 ? table[code] : SDL_SCANCODE_UNKNOWN;
}

uint16_t modifierOf(SDL_Scancode sc) {
  switch (sc) {
    case SDL_SCANCODE_LSHIFT: return KMOD_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return KMOD_RSHIFT;
    case SDL_SCANCODE_LCTRL: return KMOD_LCTRL;
    case SDL_SCANCODE_RCTRL: return KMOD_RCTRL;
    case SDL_SCANCODE_LALT: return KMOD_LALT;
    case SDL_SCANCODE_RALT: return KMOD_RALT;
    case SDL_SCANCODE_LGUI: return KMOD_LGUI;
    case SDL_SCANCODE_RGUI: return KMOD_RGUI;
    default: return 0;
  }
}

// Programs number the buttons left, right, middle; SDL left, middle, right.
uint8_t sdlButton(int button) {
  switch (button) {
    case 1: return SDL_BUTTON_LEFT;
    case 2: return SDL_BUTTON_RIGHT;
    default: return SDL_BUTTON_MIDDLE;
  }
}

}  // namespace

FrameCapture::FrameCapture(int64_t frames, std::string dir, int64_t every, std::vector<InputAction> actions)
    : limit_(frames), dir_(std::move(dir)), every_(every > 0 ? every : 1), actions_(std::move(actions)) {}

std::string FrameCapture::fileName(int64_t frame) {
  char name[40];
  std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(frame));
  return name;
}

void FrameCapture::windowCreated(RuntimeWindow& window) {
  // What the script does before the first frame waits in the queue for the first poll.
  deliverUpTo(window, 0);
}

void FrameCapture::frameShown(RuntimeWindow& window, const Canvas& front) {
  if (ended_) return;
  ++shown_;
  if (!dir_.empty() && shown_ % every_ == 0) {
    std::string path = (std::filesystem::path(dir_) / fileName(shown_)).string();
    std::string error;
    if (savePng(front, path, error)) {
      ++written_;
    } else {
      failure_ = "cannot write " + path + ": " + error;
      ended_ = true;
      window.requestClose();
      return;
    }
  }
  if (reachedLimit()) {
    ended_ = true;
    window.requestClose();
    return;
  }
  deliverUpTo(window, shown_);
}

void FrameCapture::deliverUpTo(RuntimeWindow& window, int64_t frame) {
  while (next_ < actions_.size() && actions_[next_].frame <= frame) deliver(window, actions_[next_++]);
}

void FrameCapture::deliver(RuntimeWindow& window, const InputAction& action) {
  SDL_Event event{};
  const uint32_t windowId = window.windowId();
  const uint32_t now = SDL_GetTicks();
  switch (action.kind) {
    case InputAction::KeyDown:
    case InputAction::KeyUp: {
      const bool down = action.kind == InputAction::KeyDown;
      SDL_Scancode sc = scancodeFor(action.a);
      if (down)
        modifiers_ |= modifierOf(sc);
      else
        modifiers_ &= static_cast<uint16_t>(~modifierOf(sc));
      event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      event.key.timestamp = now;
      event.key.windowID = windowId;
      event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
      event.key.keysym.scancode = sc;
      event.key.keysym.sym = SDL_GetKeyFromScancode(sc);
      event.key.keysym.mod = modifiers_;
      break;
    }
    case InputAction::MouseDown:
    case InputAction::MouseUp: {
      const bool down = action.kind == InputAction::MouseDown;
      uint8_t button = sdlButton(action.a);
      if (down)
        buttons_ |= SDL_BUTTON(button);
      else
        buttons_ &= ~SDL_BUTTON(button);
      event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      event.button.timestamp = now;
      event.button.windowID = windowId;
      event.button.button = button;
      event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
      event.button.clicks = 1;
      event.button.x = mouseX_;
      event.button.y = mouseY_;
      break;
    }
    case InputAction::MouseMove:
      event.type = SDL_MOUSEMOTION;
      event.motion.timestamp = now;
      event.motion.windowID = windowId;
      event.motion.state = buttons_;
      event.motion.x = action.a;
      event.motion.y = action.b;
      event.motion.xrel = action.a - mouseX_;
      event.motion.yrel = action.b - mouseY_;
      mouseX_ = action.a;
      mouseY_ = action.b;
      break;
  }
  SDL_PushEvent(&event);
}

}  // namespace korva::capture
