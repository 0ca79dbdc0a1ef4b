#include "app/package/elf_file.h"

#include <elf.h>

#include <charconv>
#include <cstring>

namespace korva::package {
namespace {

template <class T>
bool readAt(std::span<const uint8_t> bytes, uint64_t offset, T& out) {
  if (offset > bytes.size() || sizeof(T) > bytes.size() - offset) return false;
  std::memcpy(&out, bytes.data() + offset, sizeof(T));
  return true;
}

class ElfReader {
 public:
  explicit ElfReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool readHeaders(std::string& error) {
    Elf64_Ehdr header;
    if (!readAt(bytes_, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
      error = "not an ELF file";
      return false;
    }
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
      error = "not a 64-bit little-endian ELF file";
      return false;
    }
    if (header.e_phentsize != sizeof(Elf64_Phdr)) {
      error = "unexpected program header size";
      return false;
    }
    for (uint16_t i = 0; i < header.e_phnum; ++i) {
      Elf64_Phdr ph;
      if (!readAt(bytes_, header.e_phoff + uint64_t(i) * sizeof ph, ph)) {
        error = "program headers lie outside the file";
        return false;
      }
      if (ph.p_type == PT_LOAD) loads_.push_back(ph);
      if (ph.p_type == PT_DYNAMIC) dynamic_ = ph;
    }
    if (dynamic_.p_type != PT_DYNAMIC) {
      error = "no dynamic section";
      return false;
    }
    return true;
  }

  // The file offset of a virtual address inside a loaded segment.
  std::optional<uint64_t> offsetOf(uint64_t address) const {
    for (const Elf64_Phdr& ph : loads_)
      if (address >= ph.p_vaddr && address - ph.p_vaddr < ph.p_filesz) return ph.p_offset + (address - ph.p_vaddr);
    return std::nullopt;
  }

  std::optional<std::string> string(uint64_t index) const {
    if (!haveStrings_) return std::nullopt;
    const uint64_t table = strings_;
    if (index >= stringsSize_ || table + index >= bytes_.size()) return std::nullopt;
    const uint64_t start = table + index;
    const uint64_t limit = std::min<uint64_t>(bytes_.size(), table + stringsSize_);
    const void* end = std::memchr(bytes_.data() + start, 0, limit - start);
    if (!end) return std::nullopt;
    const char* first = reinterpret_cast<const char*>(bytes_.data() + start);
    return std::string(first, static_cast<const char*>(end));
  }

  bool read(ElfDynamic& out, std::string& error) {
    std::vector<std::pair<Elf64_Dyn, uint64_t>> entries;  // with each one's file offset
    uint64_t verneed = 0, verneedCount = 0, stringsAddress = 0;
    for (uint64_t at = dynamic_.p_offset; at < dynamic_.p_offset + dynamic_.p_filesz; at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn d;
      if (!readAt(bytes_, at, d)) {
        error = "the dynamic section lies outside the file";
        return false;
      }
      if (d.d_tag == DT_NULL) break;
      if (d.d_tag == DT_STRTAB) stringsAddress = d.d_un.d_ptr;
      if (d.d_tag == DT_STRSZ) stringsSize_ = d.d_un.d_val;
      if (d.d_tag == DT_VERNEED) verneed = d.d_un.d_ptr;
      if (d.d_tag == DT_VERNEEDNUM) verneedCount = d.d_un.d_val;
      entries.emplace_back(d, at);
    }
    std::optional<uint64_t> strings = offsetOf(stringsAddress);
    if (!stringsAddress || !strings) {
      error = "no string table";
      return false;
    }
    strings_ = *strings;
    haveStrings_ = true;
    for (const auto& [d, at] : entries) {
      if (d.d_tag != DT_NEEDED && d.d_tag != DT_SONAME && d.d_tag != DT_RPATH && d.d_tag != DT_RUNPATH) continue;
      std::optional<std::string> text = string(d.d_un.d_val);
      if (!text) {
        error = "a name lies outside the string table";
        return false;
      }
      if (d.d_tag == DT_NEEDED) out.needed.push_back(*text);
      if (d.d_tag == DT_SONAME) out.soname = *text;
      if (d.d_tag == DT_RPATH) out.rpath = *text;
      if (d.d_tag == DT_RUNPATH) {
        out.runpath = *text;
        out.runpathEntry = at;
        out.runpathText = strings_ + d.d_un.d_val;
      }
    }
    return !verneed || readVersionsNeeded(verneed, verneedCount, out.versionsNeeded, error);
  }

 private:
  bool readVersionsNeeded(uint64_t address, uint64_t count, std::vector<std::string>& out, std::string& error) {
    std::optional<uint64_t> at = offsetOf(address);
    // Each entry names a file and lists the versions needed from it; a count far past the
    // file's size can only be a lie.
    for (uint64_t i = 0; at && i < count && i < bytes_.size(); ++i) {
      Elf64_Verneed need;
      if (!readAt(bytes_, *at, need)) break;
      uint64_t aux = *at + need.vn_aux;
      for (uint16_t j = 0; j < need.vn_cnt; ++j) {
        Elf64_Vernaux version;
        if (!readAt(bytes_, aux, version)) break;
        std::optional<std::string> name = string(version.vna_name);
        if (!name) break;
        out.push_back(*name);
        if (!version.vna_next) break;
        aux += version.vna_next;
      }
      if (!need.vn_next) return true;
      *at += need.vn_next;
    }
    if (at && count > 0 && out.empty()) {
      error = "the version needs lie outside the file";
      return false;
    }
    return true;
  }

  std::span<const uint8_t> bytes_;
  std::vector<Elf64_Phdr> loads_;
  Elf64_Phdr dynamic_{};
  uint64_t strings_ = 0, stringsSize_ = 0;
  bool haveStrings_ = false;
};

std::vector<unsigned> versionParts(std::string_view text) {
  std::vector<unsigned> parts;
  while (!text.empty()) {
    unsigned n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc()) break;
    parts.push_back(n);
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    if (text.empty() || text.front() != '.') break;
    text.remove_prefix(1);
  }
  return parts;
}

}  // namespace

std::optional<ElfDynamic> readElfDynamic(std::span<const uint8_t> bytes, std::string& error) {
  ElfReader reader(bytes);
  ElfDynamic out;
  if (!reader.readHeaders(error) || !reader.read(out, error)) return std::nullopt;
  return out;
}

bool runpathToOwnFolder(std::vector<uint8_t>& bytes) {
  std::string error;
  std::optional<ElfDynamic> d = readElfDynamic(bytes, error);
  if (!d || !d->runpathEntry || !d->rpath.empty()) return false;
  const Elf64_Sxword tag = DT_RPATH;
  std::memcpy(bytes.data() + d->runpathEntry, &tag, sizeof tag);
  // Written over the start of the old text, so a name sharing its tail stays whole.
  constexpr char kOwnFolder[] = "$ORIGIN";
  if (d->runpath.size() + 1 >= sizeof kOwnFolder) std::memcpy(bytes.data() + d->runpathText, kOwnFolder, sizeof kOwnFolder);
  return true;
}

std::string highestVersion(const std::vector<std::string>& names, const std::string& family) {
  std::string best;
  std::vector<unsigned> bestParts;
  for (const std::string& name : names) {
    if (name.rfind(family, 0) != 0) continue;
    std::string version = name.substr(family.size());
    std::vector<unsigned> parts = versionParts(version);
    if (parts.empty()) continue;
    if (best.empty() || parts > bestParts) {
      best = version;
      bestParts = std::move(parts);
    }
  }
  return best;
}

}  // namespace korva::package
