// The audio module: sixteen commands, each a short adapter onto the audio driver.
#include <string>

#include "audio/driver/audio_driver.h"
#include "audio/commands.h"
#include "basic/strings.h"
#include "core/errors.h"
#include "core/handles.h"
#include "link/module.h"
#include "run/run_context.h"

namespace korva {
namespace audio {
namespace {

AudioDriver* g_driver = nullptr;

Sound* checkedSound(int32_t handle) {
  return Handles::checked<Sound>(static_cast<uint32_t>(handle), HandleKind::Sound, "Sound does not exist");
}

// Channel handles are not checked, but one that no command gave out reaches nothing
// rather than memory it does not own.
Channel* channel(int32_t handle) {
  if (handle == 0) return nullptr;
  return Handles::get<Channel>(static_cast<uint32_t>(handle), HandleKind::Channel);
}

int32_t handleOf(const Channel* c) { return c ? static_cast<int32_t>(c->handle()) : 0; }

}  // namespace

AudioDriver* driver() { return g_driver; }

int32_t LoadSound(vxStr* filename) {
  std::string file = takeText(filename);
  Sound* s = g_driver ? g_driver->loadSound(file) : nullptr;
  return s ? static_cast<int32_t>(s->handle()) : 0;
}

void FreeSound(int32_t sound) {
  if (g_driver) g_driver->freeSound(static_cast<uint32_t>(sound));
}

void LoopSound(int32_t sound) {
  if (Sound* s = checkedSound(sound)) s->setLoop();
}

void SoundPitch(int32_t sound, int32_t pitch) {
  if (Sound* s = checkedSound(sound)) s->setPitch(pitch);
}

void SoundVolume(int32_t sound, float volume) {
  if (Sound* s = checkedSound(sound)) s->setVolume(volume);
}

void SoundPan(int32_t sound, float pan) {
  if (Sound* s = checkedSound(sound)) s->setPan(pan);
}

int32_t PlaySound(int32_t sound) {
  Sound* s = checkedSound(sound);
  return s ? handleOf(g_driver->playSound(*s)) : 0;
}

int32_t PlayMusic(vxStr* midifile) {
  std::string file = takeText(midifile);
  return g_driver ? handleOf(g_driver->playMusic(file)) : 0;
}

int32_t PlayCDTrack(int32_t track, int32_t mode) { return g_driver ? handleOf(g_driver->playCDTrack(track, mode)) : 0; }

void StopChannel(int32_t handle) {
  if (Channel* c = channel(handle)) c->stop();
}

void PauseChannel(int32_t handle) {
  if (Channel* c = channel(handle)) c->setPaused(true);
}

void ResumeChannel(int32_t handle) {
  if (Channel* c = channel(handle)) c->setPaused(false);
}

void ChannelPitch(int32_t handle, int32_t pitch) {
  if (Channel* c = channel(handle)) c->setPitch(pitch);
}

void ChannelVolume(int32_t handle, float volume) {
  if (Channel* c = channel(handle)) c->setVolume(volume);
}

void ChannelPan(int32_t handle, float pan) {
  if (Channel* c = channel(handle)) c->setPan(pan);
}

int32_t ChannelPlaying(int32_t handle) {
  Channel* c = channel(handle);
  return c && c->playing() ? 1 : 0;
}

}  // namespace audio

namespace {

using namespace audio;

const SymbolDef kAudioSymbols[] = {
    KORVA_ROUTINE("%LoadSound$filename", LoadSound),
    KORVA_ROUTINE("FreeSound%sound", FreeSound),
    KORVA_ROUTINE("LoopSound%sound", LoopSound),
    KORVA_ROUTINE("SoundPitch%sound%pitch", SoundPitch),
    KORVA_ROUTINE("SoundVolume%sound#volume", SoundVolume),
    KORVA_ROUTINE("SoundPan%sound#pan", SoundPan),
    KORVA_ROUTINE("%PlaySound%sound", PlaySound),
    KORVA_ROUTINE("%PlayMusic$midifile", PlayMusic),
    KORVA_ROUTINE("%PlayCDTrack%track%mode=1", PlayCDTrack),
    KORVA_ROUTINE("StopChannel%channel", StopChannel),
    KORVA_ROUTINE("PauseChannel%channel", PauseChannel),
    KORVA_ROUTINE("ResumeChannel%channel", ResumeChannel),
    KORVA_ROUTINE("ChannelPitch%channel%pitch", ChannelPitch),
    KORVA_ROUTINE("ChannelVolume%channel#volume", ChannelVolume),
    KORVA_ROUTINE("ChannelPan%channel#pan", ChannelPan),
    KORVA_ROUTINE("%ChannelPlaying%channel", ChannelPlaying),
};

RunContext* g_run = nullptr;

// The run owns the driver; the module only asks for it and gives it back.
bool startAudio(RunContext& run) {
  g_run = &run;
  audio::g_driver = run.openAudio();
  return true;
}

void endAudio() {
  if (g_run) g_run->closeAudio(audio::g_driver);
  audio::g_driver = nullptr;
  g_run = nullptr;
}

}  // namespace

KORVA_MODULE(audio, kAudioSymbols, startAudio, endAudio)

}  // namespace korva
