/* Files, banks and TCP as a program uses them. The command line's first byte picks the
   case; the rest is its argument (a path or a port). */
#include "korva_guest.h"

static void log(vxStr* s) { _fdebuglog(s); }
static void logInt(int v) { log(__vxStrFromInt(v)); }
static void logFloat(float v) { log(__vxStrFromFloat(v)); }
static vxStr* str(const char* t) { return __vxStrConst(t); }

static vxStr* argument;
static vxStr* arg(void) { return __vxStrLoad(&argument); }

static void files(void) {
  int f = _fwritefile(arg());
  _fwriteint(f, -2);
  _fwritefloat(f, 1.5f);
  _fwritestring(f, str("hi"));
  _fwriteline(f, str("x"));
  _fclosefile(f);
  logInt(_ffilesize(arg()));
  f = _freadfile(arg());
  logInt(_freadint(f));
  logFloat(_freadfloat(f));
  log(_freadstring(f));
  log(_freadline(f));
  logInt(_feof(f));
  logInt(_ffilepos(f));
  _fclosefile(f);
  _fclosefile(f); /* raises in debug mode */
  log(str("after second close"));
}

static void banks(void) {
  int b = _fcreatebank(8);
  _fpokefloat(b, 0, 2.5f);
  logFloat(_fpeekfloat(b, 0));
  _fpokeint(b, 4, -1);
  logInt(_fpeekshort(b, 4));
  _fresizebank(b, 20);
  logInt(_fbanksize(b));
  logInt(_fpeekbyte(b, 19));
  logInt(_fpeekint(b, 17)); /* past the end: raises in debug mode, 0 otherwise */
  _ffreebank(b);
}

#define CLIENTS 50

static void tcp(void) {
  int port = __vxStrToInt(arg());
  int server = _fcreatetcpserver(port);
  int clients[CLIENTS], accepted[CLIENTS];
  int i, tries, sum = 0;
  for (i = 0; i < CLIENTS; ++i) {
    clients[i] = _fopentcpstream(str("127.0.0.1"), port);
    accepted[i] = 0;
    for (tries = 0; tries < 1000 && !accepted[i]; ++tries) {
      accepted[i] = _faccepttcpstream(server);
      if (!accepted[i]) _fdelay(1);
    }
  }
  for (i = 0; i < CLIENTS; ++i) _fwriteint(clients[i], i * 3);
  for (i = 0; i < CLIENTS; ++i) _fwritefloat(accepted[i], (float)_freadint(accepted[i]) + 0.5f);
  for (i = 0; i < CLIENTS; ++i) sum += (int)(_freadfloat(clients[i]) * 2.0f);
  logInt(sum);
  _fclosetcpserver(server);
  logInt(_feof(clients[0]));
  for (i = 0; i < CLIENTS; ++i) _fclosetcpstream(clients[i]);
  logInt(_faccepttcpstream(server)); /* raises in debug mode */
}

/* Waits for a client that never comes: only the window's poll inside the accept can end it. */
static void acceptForEver(void) {
  int server = _fcreatetcpserver(0);
  log(str("polling"));
  while (!_faccepttcpstream(server)) {
  }
  log(str("accepted"));
}

static void listing(void) {
  int d = _freaddir(arg());
  vxStr* name = _fnextfile(d);
  int count = 0;
  while (__vxStrCompare(__vxStrLoad(&name), str("")) != 0 && count < 100) {
    __vxStrStore(&name, _fnextfile(d));
    ++count;
  }
  __vxStrRelease(name);
  logInt(count); /* the listing is left open: the end of the run closes it */
}

void __MAIN(void) {
  vxStr* line = _fcommandline();
  __vxStrStore(&argument, _fmid(__vxStrLoad(&line), 2, -1));
  switch (_fasc(line)) {
    case 'f': files(); break;
    case 'b': banks(); break;
    case 't': tcp(); break;
    case 'd': listing(); break;
    case 'a': acceptForEver(); break;
  }
  __vxStrStore(&argument, 0);
}
