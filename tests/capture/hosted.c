/* Calls every debugger hook for the example host. The command line picks the ending:
   "n" returns normally, "e" raises an error, "l" loops on statements until ended. */
#include "korva_guest.h"

static int inner(int v) {
  __vxDebugEnter(7, 70, v);
  __vxDebugStmt(8, 80);
  _fdebuglog(__vxStrConcat(__vxStrConst("inside "), __vxStrFromInt(v)));
  __vxDebugLeave();
  return v * 2;
}

void __MAIN(void) {
  int mode = _fasc(_fcommandline());
  int i;
  __vxDebugStmt(1, 10);
  _fdebuglog(__vxStrFromInt(inner(21)));
  __vxDebugStmt(2, 20);
  if (mode == 'e') _fruntimeerror(__vxStrConst("boom"));
  for (i = 0; mode == 'l'; ++i) __vxDebugStmt(3, i & 1);
}
