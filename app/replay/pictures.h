// Frames as a recording sees them: the picture as 0xRRGGBB words, whatever the display's
// pixel layout, so that a window and a headless run of the same program hash alike.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korva {
class Canvas;
}

namespace korva::replay {

struct Picture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;  // row by row, 0xRRGGBB
};

// False when the canvas's pixels cannot be read (lost, no memory).
bool takePicture(const Canvas& canvas, Picture& picture);
uint64_t pictureHash(const Picture& picture);
// The hash of the canvas's picture, the same as pictureHash(takePicture), without making the
// picture where the canvas holds 0xRRGGBB words already. scratch is working space.
uint64_t frameHash(const Canvas& canvas, Picture& scratch);
// A hash of guest memory in use: the linked code with its data, and the heap. The stack is
// left out: what lies in the padding of its frames depends on the CPU that ran the calls.
uint64_t guestMemoryHash();

// The bytes a recording keeps for picture: its difference (XOR) from previous, or itself
// when previous has other sides. apply undoes it; false when bytes do not fit the sides.
std::string pictureDelta(const Picture& picture, const Picture& previous);
bool applyPictureDelta(const std::string& bytes, uint32_t width, uint32_t height, Picture& previous);

// Writes picture as an RGB PNG; false with error set.
bool savePicture(const Picture& picture, const std::string& path, std::string& error);

}  // namespace korva::replay
