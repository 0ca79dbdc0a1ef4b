/* The console as a program uses it. The command line is "<case> <directory>": its first
   byte picks the case, the rest names a directory for the pictures. The keys that Input
   reads are laid down by the test on the console's clock. */
#include "korva_guest.h"

static vxStr* str(const char* t) { return __vxStrConst(t); }
static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }
static vxStr* path(const char* name) { return __vxStrConcat(_fmid(_fcommandline(), 3, -1), str(name)); }

/* Rows of colours of their own, then a line printed where it passes the bottom by 5. */
static void scroll(void) {
  int y, height;
  _fprint(str("first"));
  _fclscolor(0, 0, 64);
  for (y = 0; y < 300; ++y) {
    _fcolor(y * 8 & 0xF8, (y >> 5) * 4 & 0xFC, 128);
    _fline(0, y, 400, y);
  }
  _fcolor(255, 255, 255);
  height = _ffontheight();
  logInt(height);
  logInt(_fstringwidth(str(".")));
  _flocate(0, 300 - height + 5);
  logInt(_fsavebuffer(_ffrontbuffer(), path("/before.bmp")));
  _fprint(str("."));
  logInt(_fsavebuffer(_ffrontbuffer(), path("/after.bmp")));
}

/* An edited line, then the same text printed under it. */
static void input(void) {
  vxStr* line;
  _fprint(str("console"));
  line = _finput(str("Name? "));
  _fdebuglog(__vxStrLoad(&line));
  _fprint(__vxStrConcat(str("Name? "), line));
  logInt(_ffontheight());
  logInt(_fsavebuffer(_ffrontbuffer(), path("/input.bmp")));
}

/* The cursor clamped to the bottom left corner; the text goes on the last line. */
static void locate(void) {
  _fgraphics(400, 300, 0, 2); /* a first console command would open its own window */
  _flocate(-5, 100000);
  _fwrite(str("Z"));
  logInt(_ffontheight());
  logInt(_fstringwidth(str("Z")));
  logInt(_fsavebuffer(_ffrontbuffer(), path("/locate.bmp")));
}

void __MAIN(void) {
  switch (_fasc(_fcommandline())) {
    case 's': scroll(); break;
    case 'i': input(); break;
    case 'l': locate(); break;
    case 'c': /* the window closes while Input waits */
      _fdebuglog(str("waiting"));
      _fdebuglog(_finput(str("? ")));
      _fdebuglog(str("after the wait"));
      break;
  }
}
