#include "link/image_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

namespace korva {
namespace {

constexpr char kMagic[8] = {'K', 'O', 'R', 'V', 'A', 'I', 'M', 'G'};
constexpr char kPackageMagic[8] = {'K', 'O', 'R', 'V', 'A', 'P', 'K', 'G'};
constexpr size_t kTrailerSize = 4 + sizeof(kMagic);  // image size, then the magic

std::optional<CarriedKind> kindOfMagic(const uint8_t* magic) {
  if (std::memcmp(magic, kMagic, sizeof(kMagic)) == 0) return CarriedKind::Bundle;
  if (std::memcmp(magic, kPackageMagic, sizeof(kPackageMagic)) == 0) return CarriedKind::Package;
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  // In blocks: every start reads the whole executable, tens of MB in a sanitizer build.
  std::vector<uint8_t> data;
  char block[1 << 16];
  while (f.read(block, sizeof block) || f.gcount() > 0) data.insert(data.end(), block, block + f.gcount());
  if (f.bad()) return std::nullopt;
  return data;
}

uint32_t le32(std::span<const uint8_t> d, size_t off) {
  uint32_t v;
  std::memcpy(&v, d.data() + off, 4);
  return v;
}
uint16_t le16(std::span<const uint8_t> d, size_t off) {
  return static_cast<uint16_t>(d[off] | d[off + 1] << 8);
}

// Size of the executable part: the whole file unless a trailer follows it.
size_t programSize(std::span<const uint8_t> exe, uint32_t* imageSize) {
  if (exe.size() < kTrailerSize) return exe.size();
  size_t t = exe.size() - kTrailerSize;
  if (!kindOfMagic(exe.data() + t + 4)) return exe.size();
  uint32_t n = le32(exe, t);
  if (n > t) return exe.size();
  if (imageSize) *imageSize = n;
  return t - n;
}

}  // namespace

namespace {

// Reads the trailer, and the image too when image is given: only those, since the
// executable itself is tens of MB and this happens on every start.
std::optional<CarriedKind> readCarried(const std::string& exePath, std::vector<uint8_t>* image) {
  int fd = ::open(exePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<CarriedKind> kind;
  struct stat st{};
  uint8_t trailer[kTrailerSize];
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) >= kTrailerSize &&
      ::pread(fd, trailer, kTrailerSize, st.st_size - static_cast<off_t>(kTrailerSize)) ==
          static_cast<ssize_t>(kTrailerSize) &&
      kindOfMagic(trailer + 4)) {
    uint32_t n = le32(trailer, 0);
    size_t t = static_cast<size_t>(st.st_size) - kTrailerSize;
    if (n <= t) {
      if (!image) {
        kind = kindOfMagic(trailer + 4);
      } else {
        image->resize(n);
        if (::pread(fd, image->data(), n, static_cast<off_t>(t - n)) == static_cast<ssize_t>(n))
          kind = kindOfMagic(trailer + 4);
      }
    }
  }
  ::close(fd);
  return kind;
}

}  // namespace

std::optional<std::vector<uint8_t>> carriedImage(const std::string& exePath) {
  std::vector<uint8_t> image;
  if (!readCarried(exePath, &image)) return std::nullopt;
  return image;
}

std::optional<CarriedKind> carriedKind(const std::string& exePath) { return readCarried(exePath, nullptr); }

std::optional<std::span<const uint8_t>> peResource(std::span<const uint8_t> pe, uint32_t type, uint32_t id) {
  auto has = [&](size_t off, size_t len) { return off <= pe.size() && len <= pe.size() - off; };
  if (!has(0, 64) || pe[0] != 'M' || pe[1] != 'Z') return std::nullopt;
  uint32_t peOff = le32(pe, 0x3C);
  if (!has(peOff, 24) || std::memcmp(pe.data() + peOff, "PE\0\0", 4) != 0) return std::nullopt;
  uint16_t sections = le16(pe, peOff + 6);
  uint16_t optSize = le16(pe, peOff + 20);
  size_t opt = peOff + 24;
  if (!has(opt, optSize) || optSize < 2) return std::nullopt;
  uint16_t magic = le16(pe, opt);
  size_t dirs = opt + (magic == 0x20B ? 112 : 96);  // PE32+ or PE32
  if (dirs + 3 * 8 > opt + optSize) return std::nullopt;
  uint32_t resRva = le32(pe, dirs + 2 * 8);
  size_t secTable = opt + optSize;
  if (!has(secTable, size_t(sections) * 40)) return std::nullopt;

  auto rvaToOffset = [&](uint32_t rva, uint32_t len) -> std::optional<size_t> {
    for (uint16_t i = 0; i < sections; ++i) {
      size_t s = secTable + size_t(i) * 40;
      uint32_t va = le32(pe, s + 12), vsize = le32(pe, s + 8), raw = le32(pe, s + 20), rawSize = le32(pe, s + 16);
      uint32_t span = vsize > rawSize ? vsize : rawSize;
      if (rva >= va && rva - va < span && len <= span - (rva - va)) {
        size_t off = size_t(raw) + (rva - va);
        if (has(off, len)) return off;
      }
    }
    return std::nullopt;
  };
  auto root = rvaToOffset(resRva, 16);
  if (!root) return std::nullopt;
  size_t rootOff = *root;

  // One level of the resource directory: the entry with integer identifier want.
  auto findEntry = [&](size_t dir, std::optional<uint32_t> want) -> std::optional<uint32_t> {
    if (!has(dir, 16)) return std::nullopt;
    uint32_t named = le16(pe, dir + 12), ids = le16(pe, dir + 14);
    for (uint32_t i = 0; i < named + ids; ++i) {
      size_t e = dir + 16 + size_t(i) * 8;
      if (!has(e, 8)) return std::nullopt;
      uint32_t name = le32(pe, e), target = le32(pe, e + 4);
      if (name & 0x80000000u) continue;  // named entries never match an integer identifier
      if (!want || name == *want) return target;
    }
    return std::nullopt;
  };
  auto typeEntry = findEntry(rootOff, type);
  if (!typeEntry || !(*typeEntry & 0x80000000u)) return std::nullopt;
  auto idEntry = findEntry(rootOff + (*typeEntry & 0x7FFFFFFFu), id);
  if (!idEntry || !(*idEntry & 0x80000000u)) return std::nullopt;
  auto langEntry = findEntry(rootOff + (*idEntry & 0x7FFFFFFFu), std::nullopt);
  if (!langEntry || (*langEntry & 0x80000000u)) return std::nullopt;
  size_t dataEntry = rootOff + *langEntry;
  if (!has(dataEntry, 16)) return std::nullopt;
  uint32_t dataRva = le32(pe, dataEntry), dataSize = le32(pe, dataEntry + 4);
  auto data = rvaToOffset(dataRva, dataSize);
  if (!data) return std::nullopt;
  return pe.subspan(*data, dataSize);
}

std::string bundle(const std::string& exePath, std::span<const uint8_t> image, const std::string& outPath,
                   CarriedKind kind) {
  auto exe = readFile(exePath);
  if (!exe) return "cannot read " + exePath;
  size_t size = programSize(*exe, nullptr);
  std::ofstream o(outPath, std::ios::binary | std::ios::trunc);
  if (!o) return "cannot write " + outPath;
  o.write(reinterpret_cast<const char*>(exe->data()), static_cast<std::streamsize>(size));
  o.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  uint8_t trailer[kTrailerSize];
  uint32_t n = static_cast<uint32_t>(image.size());
  std::memcpy(trailer, &n, 4);
  std::memcpy(trailer + 4, kind == CarriedKind::Package ? kPackageMagic : kMagic, sizeof(kMagic));
  o.write(reinterpret_cast<const char*>(trailer), sizeof(trailer));
  o.close();
  if (!o) return "cannot write " + outPath;
  chmod(outPath.c_str(), 0755);
  return {};
}

}  // namespace korva
