/* The sound commands as a program uses them. The command line is one letter that picks
   the case, then the directory holding the test's sound files. */
#include "korva_guest.h"

static vxStr* g_dir;

static void logText(const char* t) { _fdebuglog(__vxStrConst(t)); }
static void logInt(const char* label, int v) {
  _fdebuglog(__vxStrConcat(__vxStrConst(label), __vxStrFromInt(v)));
}
static vxStr* file(const char* name) { return __vxStrConcat(__vxStrLoad(&g_dir), __vxStrConst(name)); }

/* Waits up to two seconds for the channel to stop; the tenths of a second it took. */
static int waitForEnd(int channel) {
  int waited = 0;
  while (_fchannelplaying(channel) && waited < 200) {
    _fdelay(10);
    ++waited;
  }
  return waited / 10;
}

void __MAIN(void) {
  int sound, first, second, third, music;
  vxStr* line = _fcommandline();
  __vxStrStore(&g_dir, _fmid(__vxStrLoad(&line), 3, -1));
  switch (_fasc(line)) {
    case 'p': /* samples: play, overlap, end, reuse */
      sound = _floadsound(file("/tone.wav"));
      logInt("loaded ", sound != 0);
      first = _fplaysound(sound);
      second = _fplaysound(sound);
      logInt("two channels ", first != 0 && second != 0 && first != second);
      logInt("playing ", _fchannelplaying(first));
      logInt("ended within two seconds ", waitForEnd(first) < 20 && waitForEnd(second) < 20);
      third = _fplaysound(sound);
      logInt("reused ", third == first);
      _fstopchannel(third);
      logInt("stopped ", _fchannelplaying(third));
      logInt("missing ", _floadsound(file("/missing.wav")));
      logInt("corrupt ", _floadsound(file("/corrupt.wav")));
      break;

    case 'm': /* music: streams and songs by name */
      music = _fplaymusic(file("/tone.wav"));
      logInt("stream ", music != 0);
      logInt("same again ", _fplaymusic(file("/tone.wav")) == music);
      logInt("song ", _fplaymusic(file("/song.mod")) != 0);
      logInt("missing ", _fplaymusic(file("/missing.mod")));
      logInt("stream ended ", waitForEnd(music) < 20);
      break;

    case 'c': /* channel commands on handles no command returned */
      _fstopchannel(0);
      _fpausechannel(0);
      _fresumechannel(0);
      _fchannelvolume(0, 0.5f);
      _fchannelpitch(0, 22050);
      _fchannelpan(0, 1.0f);
      logInt("zero playing ", _fchannelplaying(0));
      _fstopchannel(123456789);
      _fchannelvolume(123456789, 0.5f);
      logInt("unknown playing ", _fchannelplaying(123456789));
      first = _fplaycdtrack(3, 1);
      logInt("cd ", first != 0);
      _fstopchannel(first);
      logInt("cd playing ", _fchannelplaying(first));
      _ffreesound(0);
      _ffreesound(987654);
      logText("done");
      break;

    case 'f': /* a freed sound */
      sound = _floadsound(file("/tone.wav"));
      _ffreesound(sound);
      _ffreesound(sound);
      logInt("play freed ", _fplaysound(sound));
      break;

    case 'd': /* defaults set on a sound handle that is not one */
      _fsoundvolume(4242, 0.5f);
      logText("after volume");
      break;
  }
}
