/* Waits for a key and prints its character code, then reads a line with Input and prints
   it; the screen is saved to the file named on the command line. */
#include "korva_guest.h"

static vxStr* str(const char* t) { return __vxStrConst(t); }
static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }

void __MAIN(void) {
  vxStr* line;
  int key;
  _fprint(str("press a key"));
  _fdebuglog(str("waiting"));
  key = _fwaitkey();
  _fprint(__vxStrFromInt(key));
  logInt(key);
  line = _finput(str("line? "));
  _fdebuglog(__vxStrLoad(&line));
  _fprint(line);
  logInt(_ffontheight());
  logInt(_fstringwidth(str("line? ")));
  logInt(_fsavebuffer(_ffrontbuffer(), _fcommandline()));
}
