/* RuntimeError, twice: only the first may be reported. LONG picks a 300-character text. */
#include "korva_guest.h"

#ifdef LONG
static char text[301];
#endif

void __MAIN(void) {
#ifdef LONG
  for (int i = 0; i < 300; ++i) text[i] = (char)('a' + i % 26);
  _fruntimeerror(__vxStrConst(text));
#elif defined(EMPTY)
  _fruntimeerror(__vxStrConst(""));
#else
  _fruntimeerror(__vxStrConst("boom"));
#endif
  _fruntimeerror(__vxStrConst("second"));
}
