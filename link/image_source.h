// Where a module image comes from: appended to the executable behind a trailer, or a
// Windows executable carrying it as resource RT_RCDATA 1111 (program files: program_file.h).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korva {

// The image carried by the executable at exePath, if it carries one.
std::optional<std::vector<uint8_t>> carriedImage(const std::string& exePath);

// The data of resource (type, id) in a PE file's bytes; nothing when absent or malformed.
std::optional<std::span<const uint8_t>> peResource(std::span<const uint8_t> pe, uint32_t type, uint32_t id);

// Writes a standalone program: a copy of the executable exePath (without any image it
// carries) followed by image and the trailer. Returns an error text, empty on success.
std::string bundle(const std::string& exePath, std::span<const uint8_t> image, const std::string& outPath);

}  // namespace korva
