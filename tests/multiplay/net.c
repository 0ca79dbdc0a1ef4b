/* The net commands as a program uses them. The first byte of the command line picks the
   case; what follows it is the case's argument. */
#include "korva_guest.h"

static void log(vxStr* s) { _fdebuglog(s); }
static void logText(const char* t) { log(__vxStrConst(t)); }
static void logInt(int v) { log(__vxStrFromInt(v)); }
static vxStr* str(const char* t) { return __vxStrConst(t); }

/* Receives until a message of that type arrives, for about five seconds at most. */
static int waitFor(int type) {
  int i;
  for (i = 0; i < 1000; ++i) {
    if (_frecvnetmsg() && _fnetmsgtype() == type) return 1;
    _fdelay(5);
  }
  logText("timed out");
  return 0;
}

static void logCurrentMessage(void) {
  logInt(_fnetmsgtype());
  logInt(_fnetmsgfrom());
  logInt(_fnetmsgto());
  log(_fnetmsgdata());
}

void __MAIN(void) {
  int me, other, r, failed = 0, i;
  switch (_fasc(_fcommandline())) {
    case 'n': /* no game: names, the reset message, and a harmless stop */
      log(_fnetplayername(0));
      log(_fnetplayername(5));
      logInt(_fnetplayerlocal(0));
      logInt(_fnetplayerlocal(5));
      logCurrentMessage();
      _fstopnetgame();
      logText("stopped");
      break;

    /* Commands that need a game */
    case 'c': _fcreatenetplayer(str("x")); break;
    case 'd': _fdeletenetplayer(1); break;
    case 'm': _fsendnetmsg(1, str("x"), 1, 0, 1); break;
    case 'r': _frecvnetmsg(); break;

    /* Starting twice */
    case 'A': _fhostnetgame(str("one")); _fstartnetgame(); break;
    case 'B': _fhostnetgame(str("one")); _fhostnetgame(str("two")); break;
    case 'C': _fhostnetgame(str("one")); _fjoinnetgame(str("one"), str("127.0.0.1")); break;

    case 'e': /* a game with nothing waiting */
      logInt(_fhostnetgame(str("quiet")));
      logInt(_frecvnetmsg());
      logCurrentMessage();
      break;

    case 'p': /* the port is taken until the test frees it */
      for (i = 0; i < 500; ++i) {
        r = _fhostnetgame(str("retry"));
        if (r) break;
        if (!failed) logInt(r);
        failed = 1;
        _fdelay(10);
      }
      logInt(r);
      break;

    case 'g': /* a whole game as host, with a peer the test runs */
      logInt(_fhostnetgame(str("guest game")));
      me = _fcreatenetplayer(str("guest"));
      logInt(me != 0);
      logInt(_fnetplayerlocal(me));
      log(_fnetplayername(me));
      logText("waiting");
      if (!waitFor(100)) break;
      other = _fnetmsgfrom();
      log(_fnetplayername(other));
      logInt(_fnetplayerlocal(other));
      if (!waitFor(7)) break;
      log(_fnetmsgdata());
      logInt(_fnetmsgto() == me);
      logInt(_fnetmsgfrom() == other);
      logInt(_fsendnetmsg(300, str("reply"), me, other, 1));
      if (!waitFor(101)) break;
      logInt(_fnetmsgfrom() == other);
      log(_fnetplayername(other));
      _fdeletenetplayer(me);
      _fstopnetgame();
      log(_fnetplayername(me));
      break;

    case 'j': /* join the test's game at the address after the case letter */
      logInt(_fjoinnetgame(str("test game"), _fmid(_fcommandline(), 3, -1)));
      me = _fcreatenetplayer(str("joiner"));
      if (!waitFor(100)) break;
      log(_fnetplayername(_fnetmsgfrom()));
      logInt(_fsendnetmsg(2, str("from the program"), me, 0, 0));
      break;

    case 'D': /* through the start dialog, then once more */
      logInt(_fstartnetgame());
      logInt(_fcreatenetplayer(str("dialog player")) != 0);
      _fstartnetgame();
      break;

    case 'R': /* the dialog leaves the program suspended; the resume request wakes it */
      logInt(_fstartnetgame());
      _fdelay(1);
      logText("after");
      break;
  }
}
