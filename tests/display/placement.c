/* A 640x480 game picture: a red frame one pixel wide around green, shown until the window closes. */
#include "korva_guest.h"

void __MAIN(void) {
  _fgraphics(640, 480, 0, 2);
  _fsetbuffer(_fbackbuffer());
  _fclscolor(255, 0, 0);
  _fcls();
  _fcolor(0, 255, 0);
  _frect(1, 1, 638, 478, 1);
  _fflip(0);
  for (;;) _fdelay(50);
}
