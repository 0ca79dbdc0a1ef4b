#include "graphics/module/graphics_state.h"

#include <unordered_map>

#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "graphics/images/image_commands.h"
#include "core/errors.h"
#include "core/handles.h"
#include "run/run_context.h"

namespace korva::graphics {
namespace {

GraphicsState g;
// Handles given out for the objects of the open device.
std::unordered_map<const Canvas*, uint32_t> g_bufferHandles;
std::unordered_map<const Font*, uint32_t> g_fontHandles;

template <class T>
void forget(std::unordered_map<const T*, uint32_t>& handles, const T* object) {
  auto it = handles.find(object);
  if (it == handles.end()) return;
  Handles::remove(it->second);
  handles.erase(it);
}

template <class T>
void forgetAll(std::unordered_map<const T*, uint32_t>& handles) {
  for (auto& [object, handle] : handles) Handles::remove(handle);
  handles.clear();
}

}  // namespace

GraphicsState& state() { return g; }

void freeImages() {
  freeAllImages();
  if (g.inputLine && g.device) freeBufferCanvas(g.inputLine);
  g.inputLine = nullptr;
}

void makeCurrent(Canvas& canvas) {
  g.buffer = &canvas;
  g.cursorX = g.cursorY = 0;
  canvas.setOrigin(0, 0);
  canvas.setViewport(0, 0, canvas.width(), canvas.height());
  canvas.setColor(g.color);
  canvas.setClsColor(g.clsColor);
  canvas.setFont(g.font);
}

void adoptDevice(GraphicsDevice* device, bool programSetGraphics) {
  g.device = device;
  g.color = 0xFFFFFFFF;
  g.clsColor = 0;
  g.programSetGraphics = programSetGraphics;
  g.font = device->defaultFont();
  makeCurrent(*device->frontBuffer());
}

void closeDevice() {
  forgetAll(g_bufferHandles);
  forgetAll(g_fontHandles);
  GraphicsDevice* device = g.device;
  // Nothing may point into the device once it is gone.
  g.device = nullptr;
  g.buffer = nullptr;
  g.font = nullptr;
  g.inputLine = nullptr;
  if (g.run) g.run->window().closeGraphics(device);
}

int32_t bufferHandle(Canvas* canvas) {
  if (!canvas) return 0;
  auto [it, added] = g_bufferHandles.try_emplace(canvas, 0);
  if (added) it->second = Handles::add(HandleKind::Canvas, canvas);
  return static_cast<int32_t>(it->second);
}

Canvas* findBuffer(int32_t handle) {
  if (!g.device) return nullptr;
  Canvas* canvas = Handles::get<Canvas>(static_cast<uint32_t>(handle), HandleKind::Canvas);
  return canvas ? g.device->verifyCanvas(canvas) : nullptr;
}

Canvas* checkedBuffer(int32_t handle) {
  Canvas* canvas = findBuffer(handle);
  if (!canvas && debugFlag()) raiseRuntimeError("Buffer does not exist");
  return canvas;
}

Canvas* bufferOrCurrent(int32_t handle) { return handle == 0 ? g.buffer : checkedBuffer(handle); }

void freeBufferCanvas(Canvas* canvas) {
  if (!canvas || !g.device) return;
  if (canvas == g.buffer) makeCurrent(*g.device->frontBuffer());
  forget(g_bufferHandles, canvas);
  g.device->freeCanvas(canvas);
}

int32_t fontHandle(Font* font) {
  if (!font) return 0;
  auto [it, added] = g_fontHandles.try_emplace(font, 0);
  if (added) it->second = Handles::add(HandleKind::Font, font);
  return static_cast<int32_t>(it->second);
}

Font* findFont(int32_t handle) {
  if (!g.device) return nullptr;
  Font* font = Handles::get<Font>(static_cast<uint32_t>(handle), HandleKind::Font);
  return font ? g.device->verifyFont(font) : nullptr;
}

Font* checkedFont(int32_t handle) {
  Font* font = findFont(handle);
  if (!font && debugFlag()) raiseRuntimeError("Font does not exist");
  return font;
}

void freeFont(Font* font) {
  if (!font || !g.device) return;
  if (font == g.font) {
    g.font = g.device->defaultFont();
    if (g.buffer) g.buffer->setFont(g.font);
  }
  forget(g_fontHandles, font);
  g.device->freeFont(font);
}

void pollOrEnd() {
  if (g.run) g.run->pollOrEnd();
}

}  // namespace korva::graphics
