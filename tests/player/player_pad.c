/* Reads the last joystick port as a game would: its type, buttons 1 to 4, 22 and 23, and
   the directions of its three axes, one line each on the debug log. */
#include "korva_guest.h"

static void logInt(const char* what, int v) { _fdebuglog(__vxStrConcat(__vxStrConst(what), __vxStrFromInt(v))); }

void __MAIN(void) {
  static const int buttons[] = {1, 2, 3, 4, 22, 23};
  int port = -1, i;
  for (i = 0; i < 16; ++i)
    if (_fjoytype(i)) port = i;
  logInt("type ", _fjoytype(port));
  /* SDL puts a pad's triggers at rest when it opens it, until the pad's next report. */
  _fjoydown(1, port);
  _fdelay(20);
  for (i = 0; i < 6; ++i) logInt("button ", _fjoydown(buttons[i], port));
  logInt("x ", _fjoyxdir(port));
  logInt("y ", _fjoyydir(port));
  logInt("z ", _fjoyzdir(port));
}
