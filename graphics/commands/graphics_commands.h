// The graphics module's own commands, as compiled programs call them: display drivers and
// modes, graphics modes and buffers, pixels, the drawing state and primitives, and fonts.
// Buffer and font arguments are handles (graphics/module/graphics_state.h).
#pragma once

#include <cstdint>
#include <span>

#include "link/registry.h"

namespace korva {
struct vxStr;
}

namespace korva::graphics {

// Display drivers and modes (numbers count from 1)
int32_t CountGfxDrivers();
vxStr* GfxDriverName(int32_t driver);
int32_t GfxDriver3D(int32_t driver);
void SetGfxDriver(int32_t driver);
int32_t CountGfxModes();
int32_t GfxModeWidth(int32_t mode);
int32_t GfxModeHeight(int32_t mode);
int32_t GfxModeDepth(int32_t mode);
int32_t GfxMode3D(int32_t mode);
int32_t Windowed3D();
int32_t FindGfxMode(int32_t width, int32_t height, int32_t depth, int32_t gfx3d);
int32_t GfxModeExists(int32_t width, int32_t height, int32_t depth, int32_t gfx3d);
int32_t TotalVidMem();
int32_t AvailVidMem();

// Graphics mode and buffers
void Graphics(int32_t width, int32_t height, int32_t depth, int32_t mode);
void EndGraphics();
int32_t FrontBuffer();
int32_t BackBuffer();
int32_t GraphicsBuffer();
void SetBuffer(int32_t buffer);
int32_t LoadBuffer(int32_t buffer, vxStr* file);
int32_t SaveBuffer(int32_t buffer, vxStr* file);
void LockBuffer(int32_t buffer);
void UnlockBuffer(int32_t buffer);
int32_t ScanLine();
void VWait(int32_t frames);
void Flip(int32_t vwait);
int32_t GraphicsWidth();
int32_t GraphicsHeight();
int32_t GraphicsDepth();

// Pixels
int32_t ReadPixel(int32_t x, int32_t y, int32_t buffer);
void WritePixel(int32_t x, int32_t y, int32_t argb, int32_t buffer);
int32_t ReadPixelFast(int32_t x, int32_t y, int32_t buffer);
void WritePixelFast(int32_t x, int32_t y, int32_t argb, int32_t buffer);
void CopyPixel(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY, int32_t destBuffer);
void CopyPixelFast(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY, int32_t destBuffer);

// Drawing state and primitives, on the current buffer
void Origin(int32_t x, int32_t y);
void Viewport(int32_t x, int32_t y, int32_t width, int32_t height);
void Color(int32_t red, int32_t green, int32_t blue);
void GetColor(int32_t x, int32_t y);
int32_t ColorRed();
int32_t ColorGreen();
int32_t ColorBlue();
void ClsColor(int32_t red, int32_t green, int32_t blue);
void SetFont(int32_t font);
void Cls();
void Plot(int32_t x, int32_t y);
void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void Rect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid);
void Oval(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid);
void Text(int32_t x, int32_t y, vxStr* text, int32_t centreX, int32_t centreY);
void CopyRect(int32_t sourceX, int32_t sourceY, int32_t width, int32_t height, int32_t destX, int32_t destY,
              int32_t srcBuffer, int32_t destBuffer);

// Fonts
int32_t LoadFont(vxStr* name, int32_t height, int32_t bold, int32_t italic, int32_t underline);
void FreeFont(int32_t font);
int32_t FontWidth();
int32_t FontHeight();
int32_t StringWidth(vxStr* text);
int32_t StringHeight(vxStr* text);


}  // namespace korva::graphics
