/* The bundled demo: a compiled module that works with strings, numbers, random draws and
   a timer, and reports what it does through DebugLog (shown with korva --debug). */
#include "korva_guest.h"

static int fib(int n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }

static vxStr* cat(vxStr* a, vxStr* b) { return __vxStrConcat(a, b); }
static vxStr* text(const char* s) { return __vxStrConst(s); }

static void log2(const char* label, vxStr* value) { _fdebuglog(cat(text(label), value)); }

void __MAIN(void) {
  log2("Hello from compiled code. Arguments: ", _fcommandline());
  log2("fib(24) = ", __vxStrFromInt(fib(24)));
  log2("Sqr(2) = ", __vxStrFromFloat(_fsqr(2.0f)));
  log2("Sin(30) = ", __vxStrFromFloat(_fsin(30.0f)));
  log2("1e7 prints as ", __vxStrFromFloat(10000000.0f));
  log2("Hex(48879) = ", _fhex(48879));
  log2("Upper(Mid(\"korva runtime\", 7)) = ", _fupper(_fmid(text("korva runtime"), 7, -1)));

  _fseedrnd(2026);
  vxStr* dice = text("Five dice:");
  for (int i = 0; i < 5; ++i) dice = cat(cat(dice, text(" ")), __vxStrFromInt(_frand(1, 6)));
  _fdebuglog(dice);

  int timer = _fcreatetimer(50);
  int start = _fmillisecs(), ticks = 0;
  while (ticks < 10) ticks += _fwaittimer(timer);
  _ffreetimer(timer);
  log2("Ten ticks of a 50 Hz timer took about 200 ms; measured ms: ",
       __vxStrFromInt(_fmillisecs() - start));
  _fruntimestats();
}
