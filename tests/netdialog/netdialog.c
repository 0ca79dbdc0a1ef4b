/* A program that starts its game through the start dialog and goes on afterwards. */
#include "korva_guest.h"

static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }

void __MAIN(void) {
  int r;
  _fdebuglog(__vxStrConst("start"));
  r = _fstartnetgame();
  logInt(r);
  if (r) logInt(_fcreatenetplayer(__vxStrConst("player")) != 0);
  _fdelay(1);
  _fdebuglog(__vxStrConst("after"));
}
