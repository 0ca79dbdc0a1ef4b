/* A program facing hostile files and peers, or turning hostile itself. The command line's
   first byte picks the case; the rest is its argument (a directory, a port or a number).
   Results go to DebugLog, one line each. */
#include "korva_guest.h"

static void log(vxStr* s) { _fdebuglog(s); }
static void logInt(int v) { log(__vxStrFromInt(v)); }
static vxStr* str(const char* t) { return __vxStrConst(t); }

static vxStr* argument;
static vxStr* arg(void) { return __vxStrLoad(&argument); }
/* The argument, a directory, with a file name after it. */
static vxStr* in(const char* name) { return __vxStrConcat(arg(), str(name)); }

/* Most of guest memory, never touched: what is left for strings is some 60 MB. */
static struct {
  int storage, type, dims, slots[1];
} taken = {0, 1, 1, {220000000}};

/* Every loading command on named pipes: each gives its soft failure at once. */
static void pipes(void) {
  _fgraphics(320, 240, 0, 2);
  logInt(_floadsound(in("/pipe.wav")));
  logInt(_fplaymusic(in("/pipe.mid")));
  logInt(_fplaymusic(in("/pipe.ogg")));
  logInt(_floadimage(in("/pipe.png")));
  logInt(_freadfile(in("/pipe.dat")));
  logInt(_fopenfile(in("/pipe.dat")));
  logInt(_fwritefile(in("/pipe.dat")));
  logInt(_fsavebuffer(_fbackbuffer(), in("/pipe.bmp")));
  _fcopyfile(in("/source.txt"), in("/pipe.dat"));
  _ffreefont(_floadfont(in("/pipe.ttf"), 12, 0, 0, 0)); /* falls back on a face: no result to show */
  log(str("done"));
}

/* Small files that decode to more than the sound budget, alone or together. */
static void sounds(void) {
  int i;
  for (i = 0; i < 2; ++i) logInt(_floadsound(in("/bomb.flac")) != 0);
  for (i = 0; i < 3; ++i) logInt(_floadsound(in("/part.flac")) != 0);
}

/* Headers of a few dozen bytes claiming 16384 x 16384 pixels, then a real picture. */
static void pictures(void) {
  _fgraphics(320, 240, 0, 2);
  logInt(_floadimage(in("/claim.bmp")));
  logInt(_floadimage(in("/claim.png")));
  logInt(_floadimage(in("/claim.pcx")));
  logInt(_floadimage(in("/claim.jpg")));
  logInt(_floadimage(in("/real.png")) != 0);
}

/* A string, or a line, from a peer that sends more than guest memory can take. */
static void flooded(int line) {
  int s, length;
  __vxDimArray(&taken);
  s = _fopentcpstream(str("127.0.0.1"), __vxStrToInt(arg()));
  length = _flen(line ? _freadline(s) : _freadstring(s));
  logInt(length > 0);
  logInt(length <= 200 << 20); /* what guest memory has left beside the array: the peer sends 600 MB */
  logInt(_feof(s));
}

/* A server that runs out of descriptors: it holds what it accepts until no client has come
   for a while, then lets them all go and takes the rest. */
#define CLIENTS 100
static void acceptAll(void) {
  int server = _fcreatetcpserver(__vxStrToInt(arg()));
  int held[CLIENTS], count = 0, total = 0, idle = 0, s;
  int start = _fmillisecs();
  log(str("listening"));
  while (total < CLIENTS && _fmillisecs() - start < 20000) {
    s = _faccepttcpstream(server);
    if (s) {
      held[count++] = s;
      ++total;
      idle = 0;
      continue;
    }
    if (++idle == 50)
      for (; count > 0; --count) _fclosetcpstream(held[count - 1]);
    _fdelay(2);
  }
  logInt(total);
}

/* Guest code that far-returns to the 64-bit code selector and makes a 64-bit system call:
   creat("escaped64", 0644). */
static const char escapedName[] = "escaped64";
static void far64(void) {
  __asm__ volatile(
      "call 1f\n"
      "1: popl %%eax\n"
      "addl $(2f - 1b), %%eax\n"
      "pushl $0x33\n"
      "pushl %%eax\n"
      "lret\n"
      ".code64\n"
      "2: movl $85, %%eax\n"
      "movl %%ebx, %%edi\n"
      "movl $0644, %%esi\n"
      "syscall\n"
      "lea 3f(%%rip), %%rax\n"
      "pushq $0x23\n"
      "pushq %%rax\n"
      "lretq\n"
      ".code32\n"
      "3:\n" ::"b"(escapedName)
      : "eax", "ecx", "edx", "esi", "edi", "memory");
  log(str("returned"));
}

void __MAIN(void) {
  vxStr* line = _fcommandline();
  __vxStrStore(&argument, _fmid(__vxStrLoad(&line), 2, -1));
  switch (_fasc(line)) {
    case 'F': pipes(); break;
    case 'S': sounds(); break;
    case 'P': pictures(); break;
    case 'R': flooded(0); break;
    case 'L': flooded(1); break;
    case 'A': acceptAll(); break;
    case 'J': far64(); break;
  }
  __vxStrStore(&argument, 0);
}
