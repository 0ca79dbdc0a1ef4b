// The player's options on the command line. Each sets the environment variable a bundled
// game's player would set (window/player_settings.h, soundengine's output choice), so the
// window and the mixer read one source:
//   --scale N             KORVA_SCALE          the window N times the game's size
//   --fullscreen          KORVA_FULLSCREEN=1   the desktop's full screen
//   --scaling MODE        KORVA_SCALING        integer, fit or stretch
//   --filter F            KORVA_FILTER         nearest or linear
//   --audio-buffer FRAMES KORVA_AUDIO_BUFFER   the sound device's buffer
//   --audio-device NAME   KORVA_AUDIO_DEVICE   the sound device
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace korva {

// Takes the option at args[i] (also written --name=value). Returns how many arguments it
// used, 0 when it is none of these; error is set when its value is wrong.
size_t parsePlayerOption(const std::vector<std::string>& args, size_t i, std::string& error);

// The game's name for its settings file and screenshots: the program file's name without
// its folder and extension ("rocks" for games/rocks.kbm). setGameName sets it as
// KORVA_GAME, and the program file's folder (where pad mappings may lie) as
// KORVA_GAME_FOLDER.
std::string gameNameOf(const std::string& programFile);
void setGameName(const std::string& programFile);

}  // namespace korva
