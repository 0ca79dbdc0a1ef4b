/* One frame of the graphics benchmark: 200 rectangles, ovals and lines and 100 lines of
   text of 20 characters, drawn alike by the compiled program and by the SDL2 reference.
   Plain C, for both sides. */
#ifndef KORVA_FRAME_SCENE_H
#define KORVA_FRAME_SCENE_H

#define SCENE_WIDTH 640
#define SCENE_HEIGHT 480
#define SCENE_SHAPES 200
#define SCENE_TEXTS 100
/* A colour change every this many shapes or texts. */
#define SCENE_COLOUR_RUN 10

static const char kSceneText[] = "Score 00123456 Lv 07"; /* 20 characters */

enum { SCENE_RECT, SCENE_OVAL, SCENE_LINE };

typedef struct {
  int kind, solid;
  int x, y, w, h; /* a line runs from (x, y) to (x + w, y + h) */
  unsigned colour; /* 0xRRGGBB */
} SceneShape;

static unsigned sceneNext(unsigned* seed) {
  *seed = *seed * 1103515245u + 12345u;
  return *seed >> 8;
}

static void sceneShape(unsigned* seed, int i, SceneShape* s) {
  s->kind = i % 3;
  s->solid = (i / 3) % 2 == 0;
  s->x = (int)(sceneNext(seed) % 600);
  s->y = (int)(sceneNext(seed) % 440);
  s->w = 8 + (int)(sceneNext(seed) % 64);
  s->h = 8 + (int)(sceneNext(seed) % 48);
  if (s->kind == SCENE_LINE && (i & 1)) s->w = -s->w;
  s->colour = (sceneNext(seed) & 0xFFFFFF) | 0x404040;
}

/* Where the i-th text goes, and its colour. */
static void sceneText(unsigned* seed, int* x, int* y, unsigned* colour) {
  *x = (int)(sceneNext(seed) % 500);
  *y = (int)(sceneNext(seed) % 460);
  *colour = (sceneNext(seed) & 0xFFFFFF) | 0x808080;
}

#endif
