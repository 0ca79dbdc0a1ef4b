// The image object and the set of live images, with what every image command shares: the
// handle check, making frames, and giving frames back to the device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/canvas/canvas.h"

namespace korva {
struct vxStr;
class GraphicsDevice;
}

namespace korva::graphics {

// Width, height, handle and mask colour live on the frame canvases; the image's are frame 0's.
struct Image {
  std::vector<Canvas*> frames;  // owned: each goes back to the device with the image
};

// Enters an image made of frames (at least one) into the live set; its new handle.
int32_t addImage(std::vector<Canvas*> frames);
// The live image under the handle, or null. Never raises.
Image* findImage(int32_t handle);
// The handle check: the image and the frame (compared unsigned, so negative frames fail).
// With the debug flag a dead image raises "Image does not exist" and a bad frame "Image
// frame out of range"; without it both give null, and the command does nothing.
Image* checkedImage(int32_t handle, int32_t frame = 0);
Canvas* checkedFrame(int32_t handle, int32_t frame);

// Leaves the set and frees every frame; the front buffer becomes current when a frame
// was. Unknown handles are ignored.
void freeImage(int32_t handle);
void freeAll();

// The open device and the current buffer; null only outside a run of the module.
GraphicsDevice* device();
Canvas* currentBuffer();
// A new frame of the display's format, cleared, with the auto-mid-handle rule applied;
// null when the canvas cannot be made.
Canvas* newFrame(int width, int height);
// Gives back canvases that never became frames of a live image (a failed load or copy).
void discard(const std::vector<Canvas*>& canvases);
// Makes the front buffer current when one of the image's frames is.
void leaveFrames(const Image& image);


}  // namespace korva::graphics
