/* The images benchmark through the whole command path. The command line is
   "<mode> <count> <strip file>":
   - mode s: <count> frames of Cls, 1000 masked sprites from the strip, 100 ImagesCollide and
     Flip on a 640 x 480 back buffer; logs the depth, the collisions found, the milliseconds,
     and whether the last frame was saved as <strip file>.frame.bmp;
   - mode r or R: <count> RotateImage of a copy of a 64 x 64 image (R: with the filter), and
     as many copies made and freed alone; logs both times in milliseconds. */
#include "korva_guest.h"
#include "sprite_scene.h"

static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }

static vxStr* stripFile(void) {
  return _fmid(_fcommandline(), _finstr(_fcommandline(), __vxStrConst("/"), 1), -1);
}

static void sprites(int frames, vxStr* file) {
  int strip, f, i, start, hits = 0;
  _fgraphics(SPRITE_SCREEN_W, SPRITE_SCREEN_H, 32, 2);
  _fsetbuffer(_fbackbuffer());
  strip = _floadanimimage(file, SPRITE_SIZE, SPRITE_SIZE, 0, SPRITE_FRAMES);
  logInt(_fgraphicsdepth());
  start = _fmillisecs();
  for (f = 0; f < frames; ++f) {
    _fcls();
    for (i = 0; i < SPRITE_COUNT; ++i) {
      int x, y, c;
      spriteAt(i, f, &x, &y, &c);
      _fdrawimage(strip, x, y, c);
    }
    for (i = 0; i < SPRITE_TESTS; ++i) {
      int x1, y1, c1, x2, y2, c2;
      spriteTest(i, f, &x1, &y1, &c1, &x2, &y2, &c2);
      hits += _fimagescollide(strip, x1, y1, c1, strip, x2, y2, c2);
    }
    _fflip(0);
  }
  logInt(hits);
  logInt(_fmillisecs() - start);
  logInt(_fsavebuffer(_fbackbuffer(), __vxStrConcat(stripFile(), __vxStrConst(".frame.bmp"))));
}

static void rotations(int count, int filter) {
  int image = _fcreateimage(64, 64, 1), i, start;
  _fsetbuffer(_fimagebuffer(image, 0));
  _fcolor(200, 120, 40);
  _foval(4, 8, 56, 48, 1);
  _fcolor(40, 200, 240);
  _frect(20, 20, 24, 24, 1);
  _fsetbuffer(_ffrontbuffer());
  _fmidhandle(image);
  _ftformfilter(filter);
  start = _fmillisecs();
  for (i = 0; i < count; ++i) {
    int copy = _fcopyimage(image);
    _frotateimage(copy, (float)(7 + i % 80));
    _ffreeimage(copy);
  }
  logInt(_fmillisecs() - start);
  start = _fmillisecs();
  for (i = 0; i < count; ++i) _ffreeimage(_fcopyimage(image));
  logInt(_fmillisecs() - start);
}

/* Every string argument is released by the command it is given to: the command line is
   fetched anew for each use. */
void __MAIN(void) {
  char mode = (char)_fasc(_fcommandline());
  int count = __vxStrToInt(_fmid(_fcommandline(), 3, -1));
  if (mode == 's')
    sprites(count, stripFile());
  else
    rotations(count, mode == 'R');
}
