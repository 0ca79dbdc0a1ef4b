// The graphics module's state: one copy, owned here. The command areas (commands/,
// console/, images/) read and change it through this header.
//
// Buffers and fonts reach programs as handles of the process-wide registry. A canvas or
// font keeps one handle for its life, so FrontBuffer() compares equal with
// GraphicsBuffer(); the handles go with the device (every mode change) or when the object
// is freed, and are never reused, so a stale one can never reach a newer object.
#pragma once

#include <cstdint>

#include "render/canvas/canvas.h"

namespace korva {

class GraphicsDevice;
class Font;
class RunContext;

namespace graphics {

// The window graphics open in when the module starts and after EndGraphics.
constexpr int kDefaultGraphicsWidth = 400, kDefaultGraphicsHeight = 300;

// The front buffer's drawing state while a console command borrows it.
struct ConsoleSave {
  int originX = 0, originY = 0;
  int handleX = 0, handleY = 0;
  korva::Rect viewport;
};

struct GraphicsState {
  RunContext* run = nullptr;         // the run the module was started for
  GraphicsDevice* device = nullptr;  // open for the module's whole life, except mid mode change
  int driverIndex = 0;               // counted from 0
  Canvas* buffer = nullptr;          // the current buffer; drawing commands target it
  uint32_t color = 0xFFFFFFFF;       // ARGB, given to each buffer made current
  uint32_t clsColor = 0;
  Font* font = nullptr;              // the current font
  bool programSetGraphics = false;   // Graphics was called (console's implicit one too)
  int cursorX = 0, cursorY = 0;      // console text cursor on the front buffer
  ConsoleSave consoleSave;
  Canvas* inputLine = nullptr;       // the console's input line work canvas
  bool transformFilter = true;       // bilinear sampling in transforms and LoadBuffer
  bool autoMidHandle = false;        // new images get their handle at their middle
};

GraphicsState& state();

// The freeing step of every mode change and of the module's start and end: every image,
// then the console's input line canvas.
void freeImages();

// Makes the canvas current and gives it the module's drawing state: origin (0, 0), the
// whole canvas as viewport, current colours and font; the text cursor goes home.
void makeCurrent(Canvas& canvas);

// Takes a freshly opened device: module colours and font back to their defaults and the
// front buffer current.
void adoptDevice(GraphicsDevice* device, bool programSetGraphics);
// Forgets every buffer and font handle and closes the device through the window.
void closeDevice();

// The handle of a canvas (the buffers, image frames), made on first use.
int32_t bufferHandle(Canvas* canvas);
// The live buffer under the handle, or null.
Canvas* findBuffer(int32_t handle);
// findBuffer, raising "Buffer does not exist" for a dead handle when the debug flag is set.
Canvas* checkedBuffer(int32_t handle);
// 0 means the current buffer; any other handle is checked.
Canvas* bufferOrCurrent(int32_t handle);
// Frees a canvas of the device (an image frame) together with its handle; the front
// buffer becomes current when it was the current buffer.
void freeBufferCanvas(Canvas* canvas);

int32_t fontHandle(Font* font);
Font* findFont(int32_t handle);
// findFont, raising "Font does not exist" for a dead handle when the debug flag is set.
Font* checkedFont(int32_t handle);
// Frees a loaded font and its handle; the default font becomes current in its place.
void freeFont(Font* font);

// Polls the run; a program told to end ends quietly.
void pollOrEnd();

}  // namespace graphics
}  // namespace korva
