// korva --package PROGRAM -o OUT [--assets DIR]: a game a player runs with nothing
// installed (package_writer.h says what is in it). OUT is a folder, or a .tar.gz archive
// holding one folder of the archive's name.
#pragma once
#include <string>
#include <vector>

namespace korva::package {

// args: what follows --package. korva: this executable, which the package carries. The
// process's exit status: 0 packaged, 1 it could not be, 2 a wrong command line.
int packageCommand(const std::string& korva, const std::vector<std::string>& args);

}  // namespace korva::package
