// A PNG's pixels as ARGB words, for comparing pictures: encoders may compress the same
// picture differently, so files are not compared byte by byte.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korva::test {

// Empty when the file cannot be read; width and height are set when given.
std::vector<uint32_t> pngPixels(const std::string& path, int* width = nullptr, int* height = nullptr);

}  // namespace korva::test
