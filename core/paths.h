// File names as programs write them, turned into names this system's calls take: "\" and
// "/" both separate folders, for every file a program names (files, pictures, sounds,
// songs, fonts, programs to start), so a name means the same file to every command.
#pragma once
#include <string>
#include <string_view>

namespace korva {

std::string hostPath(std::string_view name);

}  // namespace korva
