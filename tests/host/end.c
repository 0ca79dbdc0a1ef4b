/* Ends through End before it could return. */
#include "korva_guest.h"

void __MAIN(void) {
  __vxDebugStmt(1, 0);
  _fend();
  __vxDebugStmt(2, 0);
}
