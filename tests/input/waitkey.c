/* Waits for two keys and reports their characters. */
#include "korva_guest.h"

void __MAIN(void) {
  _fdebuglog(__vxStrConst("waiting"));
  _fdebuglog(__vxStrFromInt(_fwaitkey()));
  _fdebuglog(__vxStrFromInt(_fwaitkey()));
}
