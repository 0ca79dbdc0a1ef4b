/* A small game loop for headless capture. The command line is a case letter and a number:
   "k" logs the input it sees after each Flip (and never ends by itself);
   "d N" draws N frames, each in its own colour, then ends;
   "e N" raises an error after N frames;
   "f" draws on the front buffer and never flips;
   "w N" waits 300 ms, then draws N frames as "d" does. */
#include "korva_guest.h"

static vxStr* commandLine;

static void log2(const char* text, int a) {
  _fdebuglog(__vxStrConcat(__vxStrConst(text), __vxStrFromInt(a)));
}

static void logClick(int frame) {
  vxStr* s = __vxStrConcat(__vxStrConst("click "), __vxStrFromInt(frame));
  s = __vxStrConcat(s, __vxStrConst(" "));
  s = __vxStrConcat(s, __vxStrFromInt(_fmousex()));
  s = __vxStrConcat(s, __vxStrConst(" "));
  s = __vxStrConcat(s, __vxStrFromInt(_fmousey()));
  _fdebuglog(s);
}

static void inputLoop(void) {
  int frame, shiftSeen = 0;
  for (frame = 1; frame < 100000; ++frame) {
    _fflip(0); /* nothing drawn: an unchanged picture is still a frame */
    if (_fkeyhit(57)) log2("key ", frame);
    if (!shiftSeen && _fkeydown(42)) {
      shiftSeen = 1;
      log2("shift ", frame);
    }
    if (shiftSeen && !_fkeydown(42)) {
      shiftSeen = 0;
      log2("shift up ", frame);
    }
    if (_fmousehit(1)) logClick(frame);
    if (_fmousehit(2)) log2("right ", frame);
  }
}

/* Frame n: the whole picture in red n * 40, green 200, blue 255 - n * 40 (mod 256). */
static void drawFrames(int count, int fail) {
  int frame;
  for (frame = 1; frame <= count; ++frame) {
    _fclscolor((frame * 40) & 255, 200, (255 - frame * 40) & 255);
    _fcls();
    _fflip(0);
    if (fail && frame == count) _fruntimeerror(__vxStrConst("boom"));
  }
}

static void frontBuffer(void) {
  int i;
  _fsetbuffer(_ffrontbuffer());
  for (i = 0; i < 1000; ++i) {
    _fcolor(255, i & 255, 0);
    _frect(i % 400, 10, 5, 5, 1);
    _fdelay(20);
  }
}

void __MAIN(void) {
  int mode, count;
  __vxStrStore(&commandLine, _fcommandline());
  mode = _fasc(__vxStrLoad(&commandLine));
  count = __vxStrToInt(_fmid(__vxStrLoad(&commandLine), 3, -1));
  switch (mode) {
    case 'k': inputLoop(); break;
    case 'd': drawFrames(count, 0); break;
    case 'e': drawFrames(count, 1); break;
    case 'f': frontBuffer(); break;
    case 'w': _fdelay(300); drawFrames(count, 0); break;
  }
}
