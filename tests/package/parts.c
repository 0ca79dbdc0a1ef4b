/* The parts of the run-time that load a library of their own the first time a program uses
   them. The command line's first word picks them, one letter each, in order: m plays the
   MIDI song media/song.mid, t the tracker module media/tune.mod, p loads media/picture.png,
   n hosts a network game; f then draws frames until the program is ended. The whole command
   line goes to args.txt first; what each part gave to results.txt, one "letter value" line
   per part (0: it failed). */
#include "korva_guest.h"

static vxStr* S(const char* t) { return __vxStrConst(t); }

static int part(int letter) {
  int r;
  switch (letter) {
    case 'm': return _fplaymusic(S("media/song.mid"));
    case 't': return _fplaymusic(S("media/tune.mod"));
    case 'p':
      if (!_fgraphicswidth()) _fgraphics(64, 64, 0, 2);
      return _floadimage(S("media/picture.png"));
    case 'n':
      r = _fhostnetgame(S("parts"));
      _fstopnetgame();
      return r;
    case 'f':
      _fgraphics(64, 48, 0, 2);
      for (r = 0;; ++r) {
        _fclscolor(r * 40 % 256, 0, 0);
        _fcls();
        _fflip(1);
      }
  }
  return -1;
}

static void writeLine(const char* file, vxStr* line) {
  int stream = _fwritefile(S(file));
  _fwriteline(stream, line);
  _fclosefile(stream);
}

vxStr* gLine;

void __MAIN(void) {
  int i, results;
  __vxStrStore(&gLine, _fcommandline());
  writeLine("args.txt", __vxStrLoad(&gLine));
  results = _fwritefile(S("results.txt"));
  for (i = 1; i <= _flen(__vxStrLoad(&gLine)); ++i) {
    int code = _fasc(_fmid(__vxStrLoad(&gLine), i, 1));
    if (code == ' ') break;
    _fwriteline(results, __vxStrConcat(__vxStrConcat(_fmid(__vxStrLoad(&gLine), i, 1), S(" ")),
                                       __vxStrFromInt(part(code))));
  }
  _fclosefile(results);
}
