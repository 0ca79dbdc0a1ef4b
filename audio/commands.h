// The audio module's commands as it registers them, and the driver they use.
#pragma once
#include <cstdint>

namespace korva {
struct vxStr;
}

namespace korva::audio {

class AudioDriver;

// The driver of the running program, or null outside a run (or without a window).
AudioDriver* driver();

int32_t LoadSound(vxStr* filename);
void FreeSound(int32_t sound);
void LoopSound(int32_t sound);
void SoundPitch(int32_t sound, int32_t pitch);
void SoundVolume(int32_t sound, float volume);
void SoundPan(int32_t sound, float pan);
int32_t PlaySound(int32_t sound);
int32_t PlayMusic(vxStr* midifile);
int32_t PlayCDTrack(int32_t track, int32_t mode);
void StopChannel(int32_t channel);
void PauseChannel(int32_t channel);
void ResumeChannel(int32_t channel);
void ChannelPitch(int32_t channel, int32_t pitch);
void ChannelVolume(int32_t channel, float volume);
void ChannelPan(int32_t channel, float pan);
int32_t ChannelPlaying(int32_t channel);

}  // namespace korva::audio
