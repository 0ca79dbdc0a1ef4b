// Layouts for pads SDL's database does not know, added by the player: gamecontrollerdb.txt
// beside the game (in $KORVA_GAME_FOLDER), then the file $SDL_GAMECONTROLLERCONFIG_FILE
// names, so the player's own file has the last word.
#pragma once
#include <string>

namespace korva {

// The mappings read, or -1 when a file is there but unusable (said on stderr).
int addPadMappings(const std::string& path);
// Both places above; called once SDL's game controllers have started.
void addPlayerPadMappings();

}  // namespace korva
