/* The graphics benchmark's frames through the whole command path. The command line is the
   number of frames; the program logs the width and height of a character of the default
   font, then the milliseconds the frames took. */
#include "korva_guest.h"
#include "frame_scene.h"

static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }
static void colour(unsigned c) { _fcolor((int)(c >> 16) & 255, (int)(c >> 8) & 255, (int)c & 255); }

void __MAIN(void) {
  int frames = __vxStrToInt(_fcommandline()), f, i, start;
  _fgraphics(SCENE_WIDTH, SCENE_HEIGHT, 32, 2);
  _fsetbuffer(_fbackbuffer());
  logInt(_fstringwidth(__vxStrConst("M")));
  logInt(_ffontheight());
  start = _fmillisecs();
  for (f = 0; f < frames; ++f) {
    unsigned seed = 1u + (unsigned)f;
    _fcls();
    for (i = 0; i < SCENE_SHAPES; ++i) {
      SceneShape s;
      sceneShape(&seed, i, &s);
      if (i % SCENE_COLOUR_RUN == 0) colour(s.colour);
      switch (s.kind) {
        case SCENE_RECT: _frect(s.x, s.y, s.w, s.h, s.solid); break;
        case SCENE_OVAL: _foval(s.x, s.y, s.w, s.h, s.solid); break;
        default: _fline(s.x, s.y, s.x + s.w, s.y + s.h); break;
      }
    }
    for (i = 0; i < SCENE_TEXTS; ++i) {
      int x, y;
      unsigned c;
      sceneText(&seed, &x, &y, &c);
      if (i % SCENE_COLOUR_RUN == 0) colour(c);
      _ftext(x, y, __vxStrConst(kSceneText), 0, 0);
    }
    _fflip(0);
  }
  logInt(_fmillisecs() - start);
}
