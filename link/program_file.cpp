#include "link/program_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "link/image_source.h"
#include "link/linker.h"

namespace korva {
namespace {

struct Magic {
  const char* bytes;
  size_t length;
  size_t offset;
  const char* what;
};

// Formats a user plausibly hands over by mistake: pictures, sounds, archives, documents.
constexpr Magic kMagics[] = {
    {"\x89PNG\r\n\x1a\n", 8, 0, "is a PNG picture, not a program"},
    {"\xff\xd8\xff", 3, 0, "is a JPEG picture, not a program"},
    {"GIF8", 4, 0, "is a GIF picture, not a program"},
    {"BM", 2, 0, "is a BMP picture, not a program"},
    {"WAVE", 4, 8, "is a WAV sound, not a program"},
    {"OggS", 4, 0, "is an Ogg file, not a program"},
    {"fLaC", 4, 0, "is a FLAC sound, not a program"},
    {"ID3", 3, 0, "is an MP3 sound, not a program"},
    {"MThd", 4, 0, "is a MIDI song, not a program"},
    {"PK\x03\x04", 4, 0, "is a ZIP archive, not a program"},
    {"\x1f\x8b", 2, 0, "is a gzip archive, not a program"},
    {"%PDF", 4, 0, "is a PDF document, not a program"},
    {"#!", 2, 0, "is a script, not a program"},
};

uint64_t readLe(std::span<const uint8_t> h, size_t off, size_t bytes) {
  uint64_t v = 0;
  for (size_t i = 0; i < bytes && off + i < h.size(); ++i) v |= uint64_t{h[off + i]} << (8 * i);
  return v;
}

// A position-independent executable is a shared object with an interpreter.
bool elfHasInterpreter(std::span<const uint8_t> h, bool is64) {
  uint64_t phoff = readLe(h, is64 ? 32 : 28, is64 ? 8 : 4);
  uint64_t entrySize = readLe(h, is64 ? 54 : 42, 2), count = readLe(h, is64 ? 56 : 44, 2);
  for (uint64_t i = 0; i < count && entrySize >= 4; ++i) {
    uint64_t at = phoff + i * entrySize;
    if (at + 4 > h.size()) return false;
    if (readLe(h, static_cast<size_t>(at), 4) == 3) return true;  // PT_INTERP
  }
  return false;
}

std::string describeElf(std::span<const uint8_t> h) {
  if (h.size() < 18) return "is a truncated ELF file, not a program";
  bool is64 = h[4] == 2;
  std::string bits = is64 ? "64-bit" : "32-bit";
  switch (readLe(h, 16, 2)) {
    case 1:
      return is64 ? "is a 64-bit ELF object, not a program"
                  : "is a 32-bit ELF object, not a program: turn it into a module image with elf2image";
    case 2: return "is a " + bits + " ELF executable, not a Korva program";
    case 3:
      return elfHasInterpreter(h, is64) ? "is a " + bits + " ELF executable, not a Korva program"
                                        : "is a " + bits + " ELF shared library, not a program";
    default: return "is an ELF file, not a program";
  }
}

bool looksLikeText(std::span<const uint8_t> h) {
  if (h.empty()) return false;
  for (uint8_t c : h) {
    bool printable = c >= 0x20 || c == '\n' || c == '\r' || c == '\t' || c == '\f';
    if (!printable || c == 0x7F) return false;
  }
  return true;
}

std::string errnoText(int error) {
  switch (error) {
    case ENOENT: return "no such file";
    case EACCES:
    case EPERM: return "not readable: permission denied";
    case ENOTDIR: return "no such file (a folder on its path is a file)";
    case ELOOP: return "cannot be opened: too many symbolic links";
    default: return std::string("cannot be read: ") + std::strerror(error);
  }
}

std::string describeNonRegular(mode_t mode) {
  if (S_ISDIR(mode)) return "is a directory";
  if (S_ISFIFO(mode)) return "is a FIFO, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a file";
  if (S_ISSOCK(mode)) return "is a socket, not a file";
  return "is not a regular file";
}

}  // namespace

std::string recogniseForeignFile(std::span<const uint8_t> h) {
  if (h.size() >= 4 && std::memcmp(h.data(), "\x7f" "ELF", 4) == 0) return describeElf(h);
  for (const Magic& m : kMagics) {
    if (h.size() >= m.offset + m.length && std::memcmp(h.data() + m.offset, m.bytes, m.length) == 0)
      return m.what;
  }
  // A module image starts with its code size: binary bytes almost at once.
  if (looksLikeText(h.first(std::min<size_t>(h.size(), 512)))) return "is a text file, not a program";
  return {};
}

ProgramFile readProgramFile(const std::string& path) {
  ProgramFile out;
  // Non-blocking, so a FIFO without a writer cannot hold the start-up.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    struct stat st{};
    // A directory opens read-only; a FIFO never reaches here. Say what it is when it is not a file.
    out.problem = (errno == EACCES && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
                      ? describeNonRegular(st.st_mode)
                      : errnoText(errno);
    return out;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0) {
    out.problem = errnoText(errno);
  } else if (!S_ISREG(st.st_mode)) {
    out.problem = describeNonRegular(st.st_mode);
  } else if (st.st_size == 0) {
    out.problem = "empty";
  } else if (static_cast<uint64_t>(st.st_size) > kMaxProgramFileBytes) {
    out.problem = "is " + std::to_string(static_cast<uint64_t>(st.st_size) >> 20) +
                  " MiB, larger than any program (the limit is 256 MiB)";
  }
  if (!out.ok()) {
    ::close(fd);
    return out;
  }
  std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < data.size()) {
    ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  int readError = errno;
  ::close(fd);
  if (got != data.size()) {
    // The file shrank while it was read, or the read failed.
    out.problem = got < data.size() && readError ? errnoText(readError) : "changed while it was read";
    return out;
  }
  // A whole module image is taken as one even when its first bytes happen to look like
  // another format's signature (a code size of 23117 starts with "MZ").
  std::string layoutProblem = imageLayoutProblem(data);
  if (!layoutProblem.empty() && data.size() >= 2 && data[0] == 'M' && data[1] == 'Z') {
    auto resource = peResource(data, 10, 1111);
    if (!resource) {
      out.problem = "a Windows program without a Korva program inside";
      return out;
    }
    out.image.assign(resource->begin(), resource->end());
    return out;
  }
  if (!layoutProblem.empty()) {
    std::string foreign = recogniseForeignFile(std::span(data).first(std::min<size_t>(data.size(), 4096)));
    out.problem = foreign.empty() ? std::move(layoutProblem) : std::move(foreign);
    return out;
  }
  out.image = std::move(data);
  return out;
}

}  // namespace korva
