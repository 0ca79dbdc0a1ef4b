// The content of a file the program reads, as a recording keeps it: a hash and a length,
// and the bytes when they are carried; and a descriptor that serves carried bytes.
#pragma once
#include <cstdint>
#include <string>

namespace korva::replay {

// Reads the whole file behind fd from its start without moving its offset; false when it
// cannot be read. bytes, when not null, receives the content.
bool fileContent(int fd, uint64_t& hash, uint64_t& size, std::string* bytes);
// A descriptor of an anonymous in-memory file holding bytes, at offset 0; -1 on failure.
int memoryFile(const std::string& bytes);

}  // namespace korva::replay
