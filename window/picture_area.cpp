#include "window/picture_area.h"

#include <algorithm>
#include <cstdint>

namespace korva {
namespace {

PictureArea centred(int outW, int outH, int64_t w, int64_t h) {
  const int iw = static_cast<int>(std::clamp<int64_t>(w, 1, outW));
  const int ih = static_cast<int>(std::clamp<int64_t>(h, 1, outH));
  return {(outW - iw) / 2, (outH - ih) / 2, iw, ih};
}

}  // namespace

PictureArea placePicture(int outW, int outH, int gameW, int gameH, Scaling scaling) {
  if (outW <= 0 || outH <= 0 || gameW <= 0 || gameH <= 0) return {};
  if (scaling == Scaling::kStretch) return {0, 0, outW, outH};
  if (scaling == Scaling::kInteger) {
    const int k = std::min(outW / gameW, outH / gameH);
    if (k >= 1) return centred(outW, outH, int64_t{gameW} * k, int64_t{gameH} * k);
  }
  // The side that runs out first decides; the other is rounded to the nearest pixel.
  if (int64_t{outW} * gameH <= int64_t{outH} * gameW)
    return centred(outW, outH, outW, (int64_t{gameH} * outW * 2 + gameW) / (2 * int64_t{gameW}));
  return centred(outW, outH, (int64_t{gameW} * outH * 2 + gameH) / (2 * int64_t{gameH}), outH);
}

PictureArea rescaleArea(const PictureArea& a, int fromW, int fromH, int toW, int toH) {
  if (fromW <= 0 || fromH <= 0 || (fromW == toW && fromH == toH)) return a;
  auto along = [](int v, int from, int to) { return static_cast<int>(int64_t{v} * to / from); };
  const int x = along(a.x, fromW, toW), y = along(a.y, fromH, toH);
  return {x, y, along(a.x + a.w, fromW, toW) - x, along(a.y + a.h, fromH, toH) - y};
}

bool windowToGame(int x, int y, const PictureArea& area, int gameW, int gameH, int& gameX, int& gameY) {
  if (area.w <= 0 || area.h <= 0 || gameW <= 0 || gameH <= 0) return false;
  auto axis = [](int v, int start, int length, int game) {
    const int64_t offset = int64_t{v} - start;
    // Floor, not truncation: a point left of the picture must not land on pixel 0 by
    // rounding towards it, it is clamped there.
    int64_t g = offset >= 0 ? offset * game / length : -((-offset * game + length - 1) / length);
    return static_cast<int>(std::clamp<int64_t>(g, 0, game - 1));
  };
  gameX = axis(x, area.x, area.w, gameW);
  gameY = axis(y, area.y, area.h, gameH);
  return true;
}

int gameToWindow(int game, int areaStart, int areaLength, int gameLength) {
  if (gameLength <= 0 || areaLength <= 0) return areaStart + game;
  const int64_t scaled = int64_t{game} * areaLength;
  int64_t q = scaled / gameLength;
  if (scaled % gameLength != 0 && scaled > 0) ++q;  // rounded up: going back truncates onto it
  return static_cast<int>(std::clamp<int64_t>(areaStart + q, INT32_MIN, INT32_MAX));
}

}  // namespace korva
