/* One frame of the sprite benchmark: 1000 sprites of an 8-frame 32 x 32 animation strip at
   moving places (some partly off the edges), and 100 collision tests between pairs of them,
   laid out alike for the compiled program and the SDL2 reference. Plain C, for both sides. */
#ifndef KORVA_SPRITE_SCENE_H
#define KORVA_SPRITE_SCENE_H

#define SPRITE_SCREEN_W 640
#define SPRITE_SCREEN_H 480
#define SPRITE_SIZE 32
#define SPRITE_FRAMES 8
#define SPRITE_COUNT 1000
#define SPRITE_TESTS 100

/* Where sprite i is in frame f (its top-left corner; handles are 0, 0) and which frame of
   the strip it shows. */
static void spriteAt(int i, int f, int* x, int* y, int* cell) {
  const int spanX = SPRITE_SCREEN_W + SPRITE_SIZE, spanY = SPRITE_SCREEN_H + SPRITE_SIZE;
  *x = (i * 37 + f * (1 + i % 5)) % spanX - SPRITE_SIZE / 2;
  *y = (i * 91 + f * (1 + i % 3)) % spanY - SPRITE_SIZE / 2;
  *cell = (i + f / 4) % SPRITE_FRAMES;
}

/* Collision test k of frame f: sprite 7k against a copy of sprite 7k + 3 moved up to 36
   pixels from it, so that boxes overlap often and pixels about half the time. */
static void spriteTest(int k, int f, int* x1, int* y1, int* c1, int* x2, int* y2, int* c2) {
  int ox, oy;
  spriteAt(7 * k, f, x1, y1, c1);
  spriteAt(7 * k + 3, f, &ox, &oy, c2);
  *x2 = *x1 + (k * 13 + f) % 72 - 36;
  *y2 = *y1 + (k * 29 + 2 * f) % 72 - 36;
}

/* Pixel (x, y) of strip frame c, 0xRRGGBB; 0 (black) is transparent. A disc whose size
   and colour change from frame to frame, with a hole in the middle. */
static inline unsigned spritePixel(int c, int x, int y) {
  const int dx = 2 * x + 1 - SPRITE_SIZE, dy = 2 * y + 1 - SPRITE_SIZE;
  const int d = dx * dx + dy * dy, r = 2 * (10 + c);
  if (d > r * r || d < 64) return 0;
  return (0x400000u + 0x180000u * (unsigned)c) | (0x2000u * (unsigned)(x + 8)) | (0x40u + 0x10u * (unsigned)c);
}

#endif
