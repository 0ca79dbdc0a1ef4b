/* Programs to record and replay. The command line is a case letter, then its argument:
   "k"       moves a block with the arrow keys and counts Space, one frame each Flip; Esc
             ends it (logs "ready" first, for a test that types into its window)
   "e N"     draws N frames, then raises "boom"
   "f N"     draws on the front buffer without flipping, N steps with a Delay each
   "t PORT"  says hello to a server on 127.0.0.1:PORT, then draws each line it sends until
             it closes
   "r FILE"  draws the first line of FILE, or "none" when it cannot be read
   "c N"     draws N frames from the clock and random numbers seeded by it, then ends
   "i"       asks for a name with Input on the front buffer and greets it */
#include "korva_guest.h"

static vxStr* commandLine;

static vxStr* argument(void) { return _fmid(__vxStrLoad(&commandLine), 3, -1); }

static void keys(void) {
  int x = 100, spaces = 0;
  _fgraphics(320, 240, 0, 2);
  _fsetbuffer(_fbackbuffer());
  _fdebuglog(__vxStrConst("ready"));
  for (;;) {
    _fcls();
    x += 4 * (_fkeydown(205) - _fkeydown(203));
    spaces += _fkeyhit(57);
    _fcolor(255, 200, 0);
    _frect(x, 100, 20, 20, 1);
    _ftext(10, 10, __vxStrFromInt(spaces), 0, 0);
    _fflip(1);
    if (_fkeyhit(1)) return;
  }
}

static void frames(int count, int fail) {
  int frame;
  _fgraphics(160, 120, 0, 2);
  _fsetbuffer(_fbackbuffer());
  for (frame = 1; frame <= count; ++frame) {
    _fclscolor((frame * 40) & 255, 200, 0);
    _fcls();
    _fflip(0);
  }
  if (fail) _fruntimeerror(__vxStrConst("boom"));
}

static void front(int steps) {
  int i;
  _fgraphics(160, 120, 0, 2);
  _fsetbuffer(_ffrontbuffer());
  for (i = 0; i < steps; ++i) {
    _fcolor(255, (i * 37) & 255, 0);
    _frect((i * 13) % 150, (i * 7) % 110, 8, 8, 1);
    _fdelay(30);
  }
}

static void lines(vxStr* port) {
  int stream, y = 0;
  _fgraphics(320, 240, 0, 2);
  _fsetbuffer(_fbackbuffer());
  stream = _fopentcpstream(__vxStrConst("127.0.0.1"), __vxStrToInt(port));
  if (!stream) _fruntimeerror(__vxStrConst("no server"));
  _fwriteline(stream, __vxStrConst("hello"));
  while (!_feof(stream)) {
    vxStr* line = _freadline(stream);
    _ftext(0, y, line, 0, 0);
    y += 12;
    _fflip(0);
  }
  _fclosetcpstream(stream);
}

static void file(vxStr* name) {
  int stream;
  _fgraphics(320, 60, 0, 2);
  _fsetbuffer(_fbackbuffer());
  stream = _freadfile(name);
  _ftext(0, 0, stream ? _freadline(stream) : __vxStrConst("none"), 0, 0);
  if (stream) _fclosefile(stream);
  _fflip(0);
}

static void clock(int count) {
  int frame;
  _fgraphics(200, 100, 0, 2);
  _fsetbuffer(_fbackbuffer());
  _fseedrnd(_fmillisecs());
  for (frame = 1; frame <= count; ++frame) {
    _fcls();
    _ftext(0, 0, __vxStrFromInt(_fmillisecs()), 0, 0);
    _ftext(0, 20, __vxStrFromInt(_frand(1, 1000000)), 0, 0);
    _ftext(0, 40, _fcurrenttime(), 0, 0);
    _fflip(0);
    _fdelay(5);
  }
}

static void input(void) {
  vxStr* name;
  _fgraphics(240, 100, 0, 2);
  _fprint(__vxStrConst("Who goes there?"));
  name = _finput(__vxStrConst("Name: "));
  _fprint(__vxStrConcat(__vxStrConst("Hello, "), name));
  _fdelay(250);
}

void __MAIN(void) {
  int mode, count;
  __vxStrStore(&commandLine, _fcommandline());
  mode = _fasc(__vxStrLoad(&commandLine));
  count = __vxStrToInt(argument());
  switch (mode) {
    case 'k': keys(); break;
    case 'e': frames(count, 1); break;
    case 'f': front(count); break;
    case 't': lines(argument()); break;
    case 'r': file(argument()); break;
    case 'c': clock(count); break;
    case 'i': input(); break;
  }
}
