/* A 320x240 game in a window, as a player meets it. Its picture gives every pixel a colour
   unlike its neighbours' (playerPattern below), except a 16x16 square at the top-left that
   changes colour every frame. It says what it sees on its debug log: the keys Enter (28),
   Alt (56), F12 (88) and Print Screen (183) as "key N", a left click as "click X,Y" in game
   pixels, and its GraphicsWidth with each. M moves the pointer to game pixel 100,50. Esc
   ends it. */
#include "korva_guest.h"
#include "player_pattern.h"

static void logLine(const char* text, int a, int b) {
  vxStr* line = __vxStrConcat(__vxStrConst(text), __vxStrFromInt(a));
  line = __vxStrConcat(line, __vxStrConst(","));
  line = __vxStrConcat(line, __vxStrFromInt(b));
  line = __vxStrConcat(line, __vxStrConst(" width "));
  line = __vxStrConcat(line, __vxStrFromInt(_fgraphicswidth()));
  _fdebuglog(line);
}

void __MAIN(void) {
  static const int keys[] = {28, 56, 88, 183};
  int x, y, i, frame = 0;
  _fgraphics(320, 240, 0, 2);
  _fsetbuffer(_fbackbuffer());
  _flockbuffer(0);
  for (y = 0; y < 240; ++y)
    for (x = 0; x < 320; ++x) _fwritepixelfast(x, y, playerPattern(x, y), 0);
  _funlockbuffer(0);
  _fdebuglog(__vxStrConst("ready"));
  for (;;) {
    ++frame;
    _fcolor(frame & 1 ? 255 : 0, 128, frame & 1 ? 0 : 255);
    _frect(0, 0, 16, 16, 1);
    _fflip(1);
    for (i = 0; i < 4; ++i)
      if (_fkeyhit(keys[i])) logLine("key ", keys[i], 0);
    if (_fmousehit(1)) logLine("click ", _fmousex(), _fmousey());
    if (_fkeyhit(50)) {
      _fmovemouse(100, 50);
      logLine("moved ", _fmousex(), _fmousey());
    }
    if (_fkeyhit(1)) break;
    _fdelay(15);
  }
}
