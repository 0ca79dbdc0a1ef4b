// make_sprites OUT.png: draws the game's sprite sheet, 8 x 3 cells of 32 x 32 pixels.
//   cells 0-3   the ship, its flame flickering
//   cells 4-7   the shot, pulsing
//   cells 8-11  four rock shapes
//   cells 12-15 the gem, turning
//   cells 16-23 an explosion
// The background is pure black, the sprites' mask colour, so no sprite pixel may be black.
// Every pixel is a flat colour (no anti-aliasing) so the mask stays exact. Deterministic.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kCell = 32, kAcross = 8, kDown = 3;

struct Rgb {
  int r, g, b;
};

Rgb shade(Rgb c, float f) {
  auto ch = [f](int v) { return std::clamp(static_cast<int>(v * f), 8, 255); };  // never black
  return {ch(c.r), ch(c.g), ch(c.b)};
}

class Sheet {
 public:
  Sheet() : pixels_(kCell * kAcross * kCell * kDown, 0) {}
  void put(int cell, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= kCell || y >= kCell) return;
    int px = (cell % kAcross) * kCell + x, py = (cell / kAcross) * kCell + y;
    pixels_[py * kCell * kAcross + px] = 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b;
  }
  bool save(const char* path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels_.data(), kCell * kAcross, kCell * kDown, 32,
                                                        kCell * kAcross * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    bool ok = IMG_SavePNG(s, path) == 0;
    SDL_FreeSurface(s);
    return ok;
  }

 private:
  std::vector<uint32_t> pixels_;
};

struct Pt {
  float x, y;
};

bool inside(const std::vector<Pt>& poly, float x, float y) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt &a = poly[i], &b = poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

// Fills a polygon lit from the top left: brighter towards it, darker away.
void polygon(Sheet& s, int cell, const std::vector<Pt>& poly, Rgb c, float cx, float cy) {
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x)
      if (inside(poly, x + 0.5f, y + 0.5f)) {
        float light = 1.0f - 0.035f * ((x - cx) + (y - cy));
        s.put(cell, x, y, shade(c, std::clamp(light, 0.45f, 1.35f)));
      }
}

void disc(Sheet& s, int cell, float cx, float cy, float r, Rgb c) {
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      if (dx * dx + dy * dy <= r * r) s.put(cell, x, y, c);
    }
}

uint32_t g_seed = 12345;
float random01() {
  g_seed = g_seed * 1103515245u + 12345u;
  return ((g_seed >> 8) & 0xFFFF) / 65536.0f;
}

void ship(Sheet& s, int cell, int flame) {
  // the flame first, so the hull covers its root
  const Rgb outer{255, 140, 30}, inner{255, 240, 120};
  int length = 3 + (flame * 5) % 7;  // 3, 8, 6, 4: a flicker, not a ramp
  for (int i = 0; i < length; ++i) {
    int half = std::max(0, 3 - i * 3 / std::max(1, length));
    for (int dx = -half; dx <= half; ++dx) s.put(cell, 16 + dx - 1, 24 + i, dx == 0 || half < 2 ? inner : outer);
  }
  const std::vector<Pt> hull = {{15.5f, 1}, {20, 12}, {29, 23}, {29, 27}, {20, 24}, {15.5f, 26},
                                {11, 24},   {2, 27},  {2, 23},  {11, 12}};
  polygon(s, cell, hull, {150, 170, 210}, 15.5f, 14);
  const std::vector<Pt> stripe = {{15.5f, 3}, {17, 8}, {14, 8}};
  polygon(s, cell, stripe, {220, 60, 60}, 15.5f, 5);
  for (int y = 0; y < kCell; ++y)  // the cockpit
    for (int x = 0; x < kCell; ++x) {
      float dx = (x + 0.5f - 15.5f) / 2.5f, dy = (y + 0.5f - 14.0f) / 4.0f;
      if (dx * dx + dy * dy <= 1) s.put(cell, x, y, dy < -0.3f && dx < 0 ? Rgb{200, 255, 255} : Rgb{40, 150, 200});
    }
  for (int x : {4, 27}) s.put(cell, x, 22, flame % 2 ? Rgb{255, 80, 80} : Rgb{120, 20, 20});  // wing lights
}

void shot(Sheet& s, int cell, int phase) {
  const Rgb glow[] = {{80, 220, 255}, {140, 240, 255}, {200, 250, 255}, {140, 240, 255}};
  for (int y = 8; y < 24; ++y)
    for (int x = 14; x < 18; ++x) {
      bool core = x == 15 || x == 16;
      bool tip = y < 10 || y > 21;
      if (tip && !core) continue;
      s.put(cell, x, y, core && !tip ? Rgb{255, 255, 255} : glow[(phase + y / 4) % 4]);
    }
}

void rock(Sheet& s, int cell, int shape) {
  std::vector<Pt> outline;
  const int corners = 9 + shape;
  for (int i = 0; i < corners; ++i) {
    float a = i * 6.2831853f / corners;
    float r = 10.5f + 4.0f * random01();
    outline.push_back({15.5f + r * std::cos(a), 15.5f + r * std::sin(a)});
  }
  const Rgb tones[] = {{150, 120, 95}, {130, 125, 120}, {160, 110, 80}, {120, 115, 135}};
  polygon(s, cell, outline, tones[shape], 15.5f, 15.5f);
  for (int k = 0; k < 3; ++k) {  // craters: a dark bowl with a lit rim below right
    float cx = 10 + 12 * random01(), cy = 10 + 12 * random01(), r = 1.5f + 2.0f * random01();
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x) {
        if (!inside(outline, x + 0.5f, y + 0.5f)) continue;
        float dx = x + 0.5f - cx, dy = y + 0.5f - cy, d = dx * dx + dy * dy;
        if (d <= r * r) s.put(cell, x, y, shade(tones[shape], 0.55f));
        else if (d <= (r + 1) * (r + 1) && dx + dy > 0) s.put(cell, x, y, shade(tones[shape], 1.3f));
      }
  }
}

void gem(Sheet& s, int cell, int phase) {
  const float halfWidth[] = {9, 6, 2, 6};
  float w = halfWidth[phase];
  const std::vector<Pt> diamond = {{15.5f, 5}, {15.5f + w, 15.5f}, {15.5f, 27}, {15.5f - w, 15.5f}};
  polygon(s, cell, diamond, {60, 220, 120}, 15.5f - w, 10);
  if (w > 3) {
    const std::vector<Pt> facet = {{15.5f, 8}, {15.5f + w / 2, 15.5f}, {15.5f, 15.5f}};
    polygon(s, cell, facet, {190, 255, 210}, 15.5f, 12);
  }
}

void explosion(Sheet& s, int cell, int frame) {
  const Rgb heat[] = {{255, 255, 220}, {255, 230, 120}, {255, 180, 60}, {250, 120, 40},
                      {210, 70, 30},   {160, 60, 40},   {110, 70, 60},  {80, 70, 70}};
  float r = 3.0f + frame * 1.7f;
  if (frame < 5) disc(s, cell, 15.5f, 15.5f, r * (1.0f - frame * 0.15f), heat[frame]);
  g_seed = 777;  // the same debris in every frame, flying outwards
  for (int i = 0; i < 28; ++i) {
    float a = random01() * 6.2831853f, speed = 0.5f + random01();
    float d = r * speed * 1.3f;
    int x = static_cast<int>(15.5f + d * std::cos(a)), y = static_cast<int>(15.5f + d * std::sin(a));
    Rgb c = heat[std::min(7, frame + static_cast<int>(speed * 2))];
    if (frame < 7 || i % 2 == 0) {
      s.put(cell, x, y, c);
      if (frame < 4) s.put(cell, x + 1, y, c);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sprites OUT.png\n");
    return 2;
  }
  Sheet sheet;
  for (int i = 0; i < 4; ++i) ship(sheet, i, i);
  for (int i = 0; i < 4; ++i) shot(sheet, 4 + i, i);
  for (int i = 0; i < 4; ++i) rock(sheet, 8 + i, i);
  for (int i = 0; i < 4; ++i) gem(sheet, 12 + i, i);
  for (int i = 0; i < 8; ++i) explosion(sheet, 16 + i, i);
  if (!sheet.save(argv[1])) {
    std::fprintf(stderr, "make_sprites: cannot write %s: %s\n", argv[1], IMG_GetError());
    return 1;
  }
  return 0;
}
