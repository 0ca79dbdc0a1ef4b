// Where a module image comes from: appended to the executable behind a trailer, or a
// Windows executable carrying it as resource RT_RCDATA 1111 (program files: program_file.h).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korva {

// What carries an image: a bundled executable (korva --bundle), or the executable of a
// packaged game (korva --package), which has its libraries and files in its own folder.
enum class CarriedKind { Bundle, Package };

// The image carried by the executable at exePath, if it carries one.
std::optional<std::vector<uint8_t>> carriedImage(const std::string& exePath);
// How the executable at exePath carries its image; nothing when it carries none.
std::optional<CarriedKind> carriedKind(const std::string& exePath);

// The data of resource (type, id) in a PE file's bytes; nothing when absent or malformed.
std::optional<std::span<const uint8_t>> peResource(std::span<const uint8_t> pe, uint32_t type, uint32_t id);

// Writes a standalone program: a copy of the executable exePath (without any image it
// carries) followed by image and the trailer that says kind. Returns an error text, empty
// on success.
std::string bundle(const std::string& exePath, std::span<const uint8_t> image, const std::string& outPath,
                   CarriedKind kind = CarriedKind::Bundle);

}  // namespace korva
