/* Input commands as a program uses them. The first byte of the command line picks the
   case; TestKey and TestCloseAfter are the test's own routines that make the events. */
#include "korva_guest.h"

void _ftestkey(int scancode, int down);
void _ftestcloseafter(int ms);

enum { SC_A = 4, SC_SPACE = 44, SC_LSHIFT = 225 };

static void logInt(int v) { _fdebuglog(__vxStrFromInt(v)); }
static void logText(const char* t) { _fdebuglog(__vxStrConst(t)); }

static void tap(int scancode) {
  _ftestkey(scancode, 1);
  _ftestkey(scancode, 0);
}

void __MAIN(void) {
  int i;
  switch (_fasc(_fcommandline())) {
    case 'k': /* Shift then A, then three presses of Space */
      _ftestkey(SC_LSHIFT, 1);
      _ftestkey(SC_A, 1);
      logInt(_fgetkey());
      logInt(_fgetkey());
      logInt(_fkeydown(30));
      for (i = 0; i < 3; ++i) tap(SC_SPACE);
      logInt(_fkeyhit(57));
      logInt(_fkeyhit(57));
      break;

    case 'j': /* a port with no joystick */
      logInt(_fjoytype(5));
      logInt(_fjoyx(5) == 0.0f);
      logInt(_fjoyxdir(5));
      logInt(_fwaitjoy(5));
      logInt(_fjoywait(-1));
      logInt(_fgetjoy(5));
      _fflushjoy();
      break;

    case 'c': /* the window closes during WaitMouse */
      _ftestcloseafter(100);
      logText("waiting");
      logInt(_fmousewait());
      logText("after the wait");
      break;
  }
}
