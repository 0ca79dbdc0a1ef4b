// Write, Print, Locate and Input. The console always draws on the front buffer, whatever
// buffer is current, in the current font and colour.
#include "graphics/console/console_commands.h"

#include <algorithm>
#include <string>

#include "basic/strings.h"
#include "graphics/commands/private/arguments.h"
#include "graphics/console/console_clock.h"
#include "graphics/console/private/console_frame.h"
#include "graphics/console/private/key_reader.h"
#include "graphics/console/private/line_editor.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "graphics/module/graphics_state.h"
#include "input/driver/input_driver.h"
#include "run/run_context.h"

namespace korva::graphics {
namespace {

using graphics::clampToInt32;

int fontHeight() { return state().font ? state().font->height() : 0; }

int64_t textWidth(std::string_view text) { return state().font ? state().font->stringWidth(text) : 0; }

// The input line canvas, kept while it is at least as wide as the front buffer and holds
// two lines: the top one keeps what lay under the line, the bottom one is where the line
// is drawn before it goes to the screen.
Canvas* inputLineFor(const Canvas& front, int lineHeight) {
  GraphicsState& g = state();
  if (g.inputLine && (g.inputLine->width() < front.width() || g.inputLine->height() < 2 * lineHeight)) {
    freeBufferCanvas(g.inputLine);
    g.inputLine = nullptr;
  }
  if (!g.inputLine) g.inputLine = g.device->createCanvas(front.width(), 2 * lineHeight, 0);
  return g.inputLine;
}

// One Input in progress: the front buffer, the line canvas and the text being edited.
class InputLine {
 public:
  InputLine(Canvas& front, Canvas& line, int x, int y, int height)
      : front_(front),
        line_(line),
        x_(x),
        y_(y),
        height_(height),
        editor_(state().font ? state().font->first() : 0, state().font ? state().font->end() : 0) {
    line_.setFont(state().font);
    line_.setColor(state().color);
    line_.blit(0, 0, front_, 0, y_, front_.width(), height_, true);
  }

  LineEditor& editor() { return editor_; }

  // The caret box over the character at the caret (an "X" wide at the end of the line):
  // an inverted block in even phases, the plain character in odd ones.
  void blink(uint32_t phase) {
    const std::string& text = editor_.text();
    const size_t p = editor_.caret();
    const int caretX = clampToInt32(x_ + textWidth(std::string_view(text).substr(0, p)));
    const std::string under = p < text.size() ? text.substr(p, 1) : std::string();
    const int caretWidth = clampToInt32(textWidth(under.empty() ? std::string_view("X") : std::string_view(under)));
    uint32_t color;
    if (phase % 2 != 0) {
      front_.blit(caretX, y_, line_, caretX, 0, caretWidth, height_, true);
      color = state().color;
    } else {
      front_.setColor(state().clsColor ^ 0xFFFFFFu);
      front_.rect(caretX, y_, caretWidth, height_, true);
      color = state().clsColor;
    }
    front_.setColor(color);
    if (!under.empty()) front_.text(caretX, y_, under);
  }

  // The line drawn afresh over what lay under it, which also takes the caret away.
  void redraw() {
    line_.blit(0, height_, line_, 0, 0, front_.width(), height_, true);
    line_.text(x_, height_, editor_.text());
    front_.blit(0, y_, line_, 0, height_, front_.width(), height_, true);
  }

 private:
  Canvas& front_;
  Canvas& line_;
  int x_, y_, height_;
  LineEditor editor_;
};

}  // namespace

void Write(vxStr* text) {
  const std::string t = takeText(text);
  Canvas* front = beginConsole();
  if (!front) return;
  GraphicsState& g = state();
  front->text(g.cursorX, g.cursorY, t);
  g.cursorX = clampToInt32(g.cursorX + textWidth(t));
  endConsole(*front);
}

void Print(vxStr* text) {
  const std::string t = takeText(text);
  Canvas* front = beginConsole();
  if (!front) return;
  GraphicsState& g = state();
  front->text(g.cursorX, g.cursorY, t);
  g.cursorX = 0;
  g.cursorY = clampToInt32(int64_t{g.cursorY} + fontHeight());
  endConsole(*front);
}

vxStr* Input(vxStr* prompt) {
  const std::string p = takeText(prompt);
  Canvas* front = beginConsole();
  if (!front) return vxStrNew("");
  GraphicsState& g = state();
  const int height = fontHeight();
  Canvas* line = inputLineFor(*front, height);
  if (!line) {
    endConsole(*front);
    return vxStrNew("");
  }
  front->text(g.cursorX, g.cursorY, p);
  g.cursorX = clampToInt32(g.cursorX + textWidth(p));

  InputLine input(*front, *line, g.cursorX, g.cursorY, height);
  if (RunContext* run = g.run) {
    KeyReader keys(*run, run->input(), consoleClock());
    for (;;) {
      const int key = keys.wait([&](uint32_t phase) { input.blink(phase); });
      const bool done = input.editor().apply(key) == LineEditor::Outcome::Done;
      input.redraw();
      if (done) break;
    }
  }
  g.cursorX = 0;
  g.cursorY = clampToInt32(int64_t{g.cursorY} + height);
  const std::string result = input.editor().text();
  endConsole(*front);
  return vxStrNew(result);
}

void Locate(int32_t x, int32_t y) {
  GraphicsState& g = state();
  if (!g.device) return;
  const Canvas& front = *g.device->frontBuffer();
  g.cursorX = std::clamp(x, 0, front.width());
  g.cursorY = std::clamp(y, 0, front.height());
}



}  // namespace korva::graphics
