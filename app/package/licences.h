// The licences of what a package carries: for each system file shipped, the copyright file
// of the Debian package it comes from, as licences/PACKAGE.txt.
#pragma once
#include <string>
#include <vector>

namespace korva::package {

// Writes them into folder; the names of the packages found, or an empty list (with why
// set) when the system's package database cannot say.
std::vector<std::string> writeLicences(const std::vector<std::string>& systemFiles, const std::string& folder,
                                       std::string& why);

}  // namespace korva::package
