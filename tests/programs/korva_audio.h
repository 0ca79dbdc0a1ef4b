/* The audio module's commands, by their link names. */
#ifndef KORVA_AUDIO_H
#define KORVA_AUDIO_H

#include "korva_guest.h"

int _floadsound(vxStr* filename);
void _ffreesound(int sound);
void _floopsound(int sound);
void _fsoundpitch(int sound, int pitch);
void _fsoundvolume(int sound, float volume);
void _fsoundpan(int sound, float pan);
int _fplaysound(int sound);
int _fplaymusic(vxStr* file);
int _fplaycdtrack(int track, int mode);
void _fstopchannel(int channel);
void _fpausechannel(int channel);
void _fresumechannel(int channel);
void _fchannelpitch(int channel, int pitch);
void _fchannelvolume(int channel, float volume);
void _fchannelpan(int channel, float pan);
int _fchannelplaying(int channel);

#endif
