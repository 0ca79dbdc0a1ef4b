// Where a face comes from: a file of the system (or of the program), or the compiled-in
// monospace face.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korva::fonts {

struct FaceSource {
  std::string file;  // empty: the compiled-in face
  int index = 0;     // face index inside the file
  bool operator==(const FaceSource&) const = default;
};

// The compiled-in monospace face (a TrueType file's bytes).
std::span<const uint8_t> bundledFace();

// The face to render for a family name with the wanted style. The system's face when one
// of its family names equals the name (any case); otherwise "courier" gets the compiled-in
// face and any other name fontconfig's nearest face (the compiled-in one when fontconfig
// has none at all).
FaceSource findFace(const std::string& family, bool bold, bool italic);

// Makes a font file known to fontconfig for later look-ups; false when it refuses it.
bool offerFontFile(const std::string& fileName);
// Forgets every font file offered.
void withdrawFontFiles();

}  // namespace korva::fonts
