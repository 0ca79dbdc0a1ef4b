/* The commands as a program uses them. The first byte of the command line picks the case. */
#include "korva_guest.h"

static void log(vxStr* s) { _fdebuglog(s); }
static void logText(const char* t) { log(__vxStrConst(t)); }
static void logInt(int v) { log(__vxStrFromInt(v)); }
static vxStr* str(const char* t) { return __vxStrConst(t); }

void __MAIN(void) {
  int timer;
  switch (_fasc(_fcommandline())) {
    /* Argument checks: each ends the program with its message. */
    case 'L': log(_fleft(str("abc"), -1)); break;
    case 'R': log(_fright(str("abc"), -1)); break;
    case 'S': log(_flset(str("abc"), -1)); break;
    case 'T': log(_frset(str("abc"), -1)); break;
    case 'I': logInt(_finstr(str("abc"), str("b"), 0)); break;
    case 'M': log(_fmid(str("abc"), 0, -1)); break;

    case 'c': /* the command line, before and after a title change */
      log(_fcommandline());
      _fapptitle(str("another title"));
      log(_fcommandline());
      break;

    case 'd': /* a long wait that an end request cuts short */
      logText("delaying");
      _fdelay(60000);
      logText("after delay");
      break;

    case 's': /* Stop waits until the program is resumed or made to end */
      logText("stopping");
      _fstop();
      logText("resumed");
      break;

    case 't': /* ticks missed during a pause, then the next one */
      timer = _fcreatetimer(100);
      logInt(_fwaittimer(timer));
      _fdelay(300);
      logInt(_fwaittimer(timer));
      logInt(_fwaittimer(timer));
      _ffreetimer(timer);
      _ffreetimer(timer);
      _ffreetimer(12345);
      logInt(_fwaittimer(timer));
      break;

    case 'k': /* a timer left running when the program ends */
      timer = _fcreatetimer(1000);
      logInt(_fwaittimer(timer) > 0);
      break;

    case 'w': logInt(_fwaittimer(777)); break;
    case '0': _fcreatetimer(0); break;
    case '-': _fcreatetimer(-1); break;
    case '+': _fcreatetimer(1001); break;

    case 'e': /* nothing to start: silent */
      _fexecfile(str(""));
      _fexecfile(str("   "));
      logText("after exec");
      break;

    case 'r': /* every run draws the same sequence until it seeds */
      log(__vxStrFromFloat(_frnd(0.0f, 1.0f)));
      _fseedrnd(99);
      logInt(_frand(1, 1000));
      break;

    case 'n': /* arguments and results pass through the calling contract */
      logInt(_flen(_freplace(_fupper(str("a-b-c")), str("-"), str("--"))));
      log(_fmid(_ftrim(_flset(str(" x"), 5)), 1, -1));
      log(_fhex(-1));
      logInt(_finstr(str("banana"), str("an"), 3));
      log(__vxStrFromFloat(_fatan2(1.0f, 0.0f)));
      break;
  }
}
