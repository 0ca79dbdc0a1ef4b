// The text console (Write, Print, Input, Locate) on the front buffer: its part of the
// graphics module's symbol table. It works on the module state (graphics/module/): the
// text cursor, the saved front-buffer state and the input line canvas.
#pragma once

#include <cstdint>
#include <span>

#include "link/registry.h"

namespace korva {
struct vxStr;
}

namespace korva::graphics {

void Write(vxStr* text);
void Print(vxStr* text);
vxStr* Input(vxStr* prompt);
void Locate(int32_t x, int32_t y);


}  // namespace korva::graphics
