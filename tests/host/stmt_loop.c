/* Reports statements until the program is made to end. */
#include "korva_guest.h"

void __MAIN(void) {
  for (int i = 1;; ++i) {
    __vxDebugEnter(i, 2, 3);
    __vxDebugStmt(i, 0);
    __vxDebugLeave();
  }
}
