// The image commands, as compiled programs call them: images made, freed and saved, drawn
// and tiled, masked and handled, tested for overlap and collision, and transformed. An
// image argument is a handle (0 means none); every command that takes one checks it and
// its frame under the debug flag, and without the flag does nothing (returning 0) for a
// dead image or a frame out of range.
//
// Also the module's seams: the image part of its symbol table, and the step that frees
// every image at each mode change and at the module's start and end.
#pragma once

#include <cstdint>
#include <span>

#include "link/registry.h"

namespace korva {
struct vxStr;
}

namespace korva::graphics {

// Making, freeing and saving
int32_t LoadImage(vxStr* file);
int32_t LoadAnimImage(vxStr* file, int32_t cellWidth, int32_t cellHeight, int32_t first, int32_t count);
int32_t CreateImage(int32_t width, int32_t height, int32_t frames);
int32_t CopyImage(int32_t image);
void FreeImage(int32_t image);
int32_t SaveImage(int32_t image, vxStr* file, int32_t frame);
void GrabImage(int32_t image, int32_t x, int32_t y, int32_t frame);
int32_t ImageBuffer(int32_t image, int32_t frame);

// Drawing on the current buffer
void DrawImage(int32_t image, int32_t x, int32_t y, int32_t frame);
void DrawBlock(int32_t image, int32_t x, int32_t y, int32_t frame);
void TileImage(int32_t image, int32_t x, int32_t y, int32_t frame);
void TileBlock(int32_t image, int32_t x, int32_t y, int32_t frame);
void DrawImageRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                   int32_t rectHeight, int32_t frame);
void DrawBlockRect(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                   int32_t rectHeight, int32_t frame);

// Masks, handles and sizes
void MaskImage(int32_t image, int32_t red, int32_t green, int32_t blue);
void HandleImage(int32_t image, int32_t x, int32_t y);
void MidHandle(int32_t image);
void AutoMidHandle(int32_t enable);
int32_t ImageWidth(int32_t image);
int32_t ImageHeight(int32_t image);
int32_t ImageXHandle(int32_t image);
int32_t ImageYHandle(int32_t image);

// Overlaps and collisions
int32_t ImagesOverlap(int32_t image1, int32_t x1, int32_t y1, int32_t image2, int32_t x2, int32_t y2);
int32_t ImagesCollide(int32_t image1, int32_t x1, int32_t y1, int32_t frame1, int32_t image2, int32_t x2, int32_t y2,
                      int32_t frame2);
int32_t RectsOverlap(int32_t x1, int32_t y1, int32_t width1, int32_t height1, int32_t x2, int32_t y2, int32_t width2,
                     int32_t height2);
int32_t ImageRectOverlap(int32_t image, int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth,
                         int32_t rectHeight);
int32_t ImageRectCollide(int32_t image, int32_t x, int32_t y, int32_t frame, int32_t rectX, int32_t rectY,
                         int32_t rectWidth, int32_t rectHeight);

// Transforms. A matrix that is singular or not finite, or whose result would be empty or
// larger than a picture may be, ends the program with "Illegal image transform"; when
// only memory is short the image is left as it was.
void TFormImage(int32_t image, float a, float b, float c, float d);
void ScaleImage(int32_t image, float xScale, float yScale);
void ResizeImage(int32_t image, float width, float height);
void RotateImage(int32_t image, float angle);
void TFormFilter(int32_t enable);

}  // namespace korva::graphics

namespace korva::graphics {

// Frees every live image as FreeImage does (frames through freeBufferCanvas).
void freeAllImages();

}  // namespace korva::graphics
