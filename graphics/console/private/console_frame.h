// The steps every console command takes around its work on the front buffer.
#pragma once

#include <cstdint>

namespace korva {

class Canvas;

namespace graphics {

// Opens the program's own 400 x 300 window when it has set no graphics (freeing every
// image, as any Graphics does), borrows the front buffer (origin, handle and viewport saved
// in the module state and cleared; the current font and colour given to it) and scrolls it
// up when the next line would pass its bottom. Null when no graphics are open.
Canvas* beginConsole();
// Gives the front buffer its saved state back, then polls: a program told to end ends
// quietly here.
void endConsole(Canvas& front);

// Scrolls the canvas up by exactly what a line at cursorY would pass its bottom by,
// clearing the band freed at the bottom in the clear colour; cursorY moves up as much.
void scrollForLine(Canvas& canvas, int& cursorY, int lineHeight, uint32_t color, uint32_t clsColor);

}  // namespace graphics
}  // namespace korva
