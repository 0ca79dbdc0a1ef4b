/* The graphics commands as a program uses them. The command line is "<case> <directory>":
   its first byte picks the case, the rest names a directory for the pictures. */
#include "korva_guest.h"

static vxStr* str(const char* t) { return __vxStrConst(t); }
static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }
static void logText(const char* t) { _fdebuglog(str(t)); }
static vxStr* path(const char* name) { return __vxStrConcat(_fmid(_fcommandline(), 3, -1), str(name)); }

/* Colours that every pixel format keeps exactly (5-6-5 included). */
#define RED 248, 0, 0
#define GREEN 0, 252, 0
#define BLUE 0, 0, 248
#define YELLOW 248, 252, 0
#define WHITE 248, 252, 248

/* Rectangles, plots, written and copied pixels in the top half (compared with a reference
   rasteriser); lines, ovals and text in the bottom half. */
static void scene(void) {
  _fgraphics(160, 120, 0, 2);
  _fclscolor(0, 0, 64);
  _fcls();

  _fcolor(RED);
  _frect(5, 5, 20, 10, 1);
  _fcolor(GREEN);
  _frect(30, 5, 20, 10, 0);
  _frect(55, 5, 1, 10, 0);
  _frect(60, 5, 0, 10, 1);
  _frect(62, 5, 10, -3, 1);
  /* origin moves the drawing, the viewport clips it */
  _forigin(100, 0);
  _fviewport(90, 2, 20, 20);
  _fcolor(BLUE);
  _frect(-5, 0, 20, 30, 1);
  _forigin(0, 0);
  _fviewport(0, 0, 160, 120);

  _fcolor(YELLOW);
  _fplot(3, 30);
  _fplot(159, 59);
  _fplot(160, 0);
  _fplot(-1, 5);
  _fwritepixel(10, 30, 0xFF102030, 0);
  _fwritepixel(12, 30, 0xFF304050, _fbackbuffer());
  _forigin(5, 5);
  _fwritepixel(0, 30, 0xFF605040, 0);
  _forigin(0, 0);
  _fcopyrect(5, 5, 20, 10, 5, 40, 0, 0);
  _fcopyrect(150, 50, 20, 20, 120, 40, 0, _ffrontbuffer());
  _fcopyrect(28, 3, 24, 14, 31, 5, 0, 0); /* onto itself, overlapping */
  _fcopypixel(3, 30, 0, 4, 30, 0);

  _fcolor(WHITE);
  _fline(0, 70, 3, 70);
  _fline(10, 72, 10, 72);
  _fline(20, 72, 29, 81);
  _fline(40, 72, 40, 80);
  _fline(50, 90, 58, 86);
  _foval(60, 72, 20, 12, 1);
  _foval(90, 72, 20, 12, 0);
  _ftext(110, 72, str("Hi"), 0, 0);
  logInt(_fstringwidth(str("Hi")));
  logInt(_ffontheight());
  logInt(_fsavebuffer(_ffrontbuffer(), path("/scene.bmp")));
}

/* A font whose "i" is an odd number of pixels wide, so that halving it rounds. */
static int oddFont(void) {
  int height;
  for (height = 12; height < 40; ++height) {
    int font = _floadfont(str("courier"), height, 0, 0, 0);
    _fsetfont(font);
    if ((_fstringwidth(str("i")) & 1) && (_ffontheight() & 1)) return font;
    _ffreefont(font);
  }
  return 0;
}

static void centring(void) {
  _fgraphics(100, 200, 0, 2);
  logInt(oddFont() != 0);
  logInt(_fstringwidth(str("i")));
  logInt(_ffontheight());
  _ftext(50, 10, str("i"), 1, 0);
  _ftext(50, 40, str("i"), 0, 0);
  _ftext(20, 120, str("i"), 0, 1);
  _ftext(20, 160, str("i"), 0, 0);
  logInt(_fsavebuffer(_ffrontbuffer(), path("/centred.bmp")));
}

static void loadBuffer(void) {
  _fgraphics(400, 300, 0, 2);
  _fcolor(RED);
  _frect(0, 0, 400, 300, 1);
  logInt(_floadbuffer(_ffrontbuffer(), path("/missing.png")));
  logInt(_freadpixel(200, 150, 0) & 0xFFFFFF);
  _forigin(7, 9);
  logInt(_floadbuffer(_ffrontbuffer(), path("/grid.png")));
  _fcolor(YELLOW);
  _fplot(0, 0);
  logInt(_fsavebuffer(_ffrontbuffer(), path("/loaded.bmp")));
}

static void setBufferResets(void) {
  int back = _fbackbuffer();
  _fsetbuffer(back);
  _forigin(10, 10);
  _fviewport(0, 0, 5, 5);
  _fsetbuffer(back);
  logInt(_fgraphicsbuffer() == back);
  _fcolor(RED);
  _fplot(0, 0);
  _fplot(50, 50);
  logInt(_freadpixel(0, 0, 0) & 0xFFFFFF);
  logInt(_freadpixel(50, 50, 0) & 0xFFFFFF);
  logInt(_freadpixel(10, 10, 0) & 0xFFFFFF);
}

static void colours(void) {
  _fcolor(256, 0, 0);
  logInt(_fcolorred());
  _fcolor(1, 2, 3);
  logInt(_fcolorred());
  logInt(_fcolorgreen());
  logInt(_fcolorblue());
  _fcolor(RED);
  _fplot(1, 1);
  _fcolor(0, 0, 0);
  _fgetcolor(1, 1);
  logInt(_fcolorred());
  _fclscolor(GREEN);
  _fcls();
  logInt(_freadpixel(0, 0, 0) & 0xFFFFFF);
}

static void modes(void) {
  int w, h, d;
  logInt(_fcountgfxdrivers() >= 1);
  logInt(_fcountgfxmodes() >= 1);
  w = _fgfxmodewidth(1);
  h = _fgfxmodeheight(1);
  d = _fgfxmodedepth(1);
  logInt(_fgfxmodeexists(w, h, d, 0));
  logInt(_fgfxmodeexists(w, h, 0, 0));
  logInt(_ffindgfxmode(w, h, d, 1));
  logInt(_fgfxmodewidth(_ffindgfxmode(w, h, d, 0)) == w);
  logInt(_fgfxmode3d(1) + _fgfxdriver3d(1) + _fwindowed3d());
}

static void fonts(void) {
  int font = _floadfont(str("courier"), 20, 1, 0, 1);
  logInt(font != 0);
  _fsetfont(font);
  logInt(_ffontwidth());
  logInt(_ffontheight());
  logInt(_fstringwidth(str("")));
  logInt(_fstringheight(str("")));
  logInt(_fstringwidth(str("ab")) == 2 * _fstringwidth(str("a")));
  _ffreefont(font);
  logInt(_ffontheight());
  logInt(_floadfont(str("courier"), 5000, 0, 0, 0));
}

static void endGraphics(void) {
  _fendgraphics();
  logInt(_fgraphicswidth());
  _fgraphics(200, 150, 0, 2);
  logInt(_fgraphicswidth());
  logInt(_fgraphicsheight());
  _fendgraphics();
  logInt(_fgraphicswidth());
  logInt(_fgraphicsheight());
}

static void fastPixels(void) {
  _fwritepixelfast(1, 1, 0xFF00FF00, 0); /* not locked: ignored */
  logInt(_freadpixel(1, 1, 0) & 0xFFFFFF);
  _flockbuffer(0);
  _fwritepixelfast(1, 1, 0xFF0000F8, 0);
  _fwritepixelfast(-5, 100000, 0xFF0000F8, 0);
  _fcopypixelfast(1, 1, 0, 2, 1, 0);
  logInt(_freadpixelfast(2, 1, 0) & 0xFFFFFF);
  logInt(_freadpixelfast(100000, -3, 0) == _freadpixelfast(-1, 0, 0));
  _funlockbuffer(0);
  logInt(_freadpixel(1, 1, 0) & 0xFFFFFF);
}

/* Each of these ends with its message when the debug flag is set, and goes on without. */
static void badHandle(char which) {
  int stale;
  switch (which) {
    case 'B': _fsetbuffer(123456); break;
    case 'F': _fsetfont(123456); break;
    case 'X': _ffreefont(123456); break;
    case 'D': _fdebuglog(_fgfxdrivername(0)); break;
    case 'N': _fsetgfxdriver(_fcountgfxdrivers() + 1); break;
    case 'M': logInt(_fgfxmodewidth(0)); break;
    case 'W': logInt(_fgfxmodeheight(_fcountgfxmodes() + 1)); break;
    case 'R': _fcopyrect(0, 0, 5, 5, 0, 0, 999999, 0); break;
    case 'Q': logInt(_freadpixel(0, 0, 12345)); break;
    case 'L': logInt(_floadbuffer(777, path("/grid.png"))); break;
    case 'S': logInt(_fsavebuffer(777, path("/never.bmp"))); break;
    case 'K': _flockbuffer(31337); break;
    case 'O':
      stale = _fbackbuffer();
      _fgraphics(200, 150, 0, 2);
      _fsetbuffer(stale);
      break;
    case 'P':
      stale = _floadfont(str("courier"), 14, 0, 0, 0);
      _fgraphics(200, 150, 0, 2);
      _fsetfont(stale);
      break;
  }
  logText("went on");
}

void __MAIN(void) {
  char which = (char)_fasc(_fcommandline());
  switch (which) {
    case 's': scene(); break;
    case 'k': centring(); break;
    case 'l': loadBuffer(); break;
    case 'b': setBufferResets(); break;
    case 'c': colours(); break;
    case 'm': modes(); break;
    case 'f': fonts(); break;
    case 'e': endGraphics(); break;
    case 'p': fastPixels(); break;
    case '4': _fgraphics(400, 300, 0, 4); logText("went on"); break;
    case '0': _fgraphics(64, 48, 0, 0); logInt(_fgraphicswidth()); break;
    case 'u': logInt(_fsavebuffer(_ffrontbuffer(), str("/nonexistent-korva-dir/x.bmp"))); break;
    case 'v': for (;;) _fvwait(5); break;
    case 'x': for (;;) _fflip(0); break;
    default: badHandle(which); break;
  }
}
