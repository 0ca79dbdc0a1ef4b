// elf2image: turns a 32-bit x86 ELF relocatable object into a module image.
//
//   elf2image INPUT.o -o OUTPUT.kbm
//
// All allocated sections become one code block, the section holding __MAIN first; when
// __MAIN is not at its first byte, a jump to it is put at byte 0. R_386_32 relocations become
// absolute fixups and R_386_PC32 / R_386_PLT32 relative fixups, their addends left in the
// fields. Local and section symbols that relocations use get module names of their own.
#include <elf.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Input {
  std::vector<uint8_t> data;

  template <class T>
  const T& at(uint64_t off) const {
    if (off > data.size() || sizeof(T) > data.size() - off) throw std::runtime_error("truncated ELF file");
    return *reinterpret_cast<const T*>(data.data() + off);
  }
  std::string str(uint64_t off) const {
    if (off >= data.size()) throw std::runtime_error("bad string offset");
    const char* s = reinterpret_cast<const char*>(data.data() + off);
    size_t n = strnlen(s, data.size() - off);
    if (n == data.size() - off) throw std::runtime_error("unterminated string");
    return std::string(s, n);
  }
};

struct Fixup {
  std::string name;
  uint32_t offset;
};

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putName(std::vector<uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}

std::vector<uint8_t> convert(const Input& in) {
  const auto& eh = in.at<Elf32_Ehdr>(0);
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS32 ||
      eh.e_machine != EM_386 || eh.e_type != ET_REL)
    throw std::runtime_error("not a 32-bit x86 relocatable ELF object");
  std::vector<Elf32_Shdr> sh(eh.e_shnum);
  for (int i = 0; i < eh.e_shnum; ++i) sh[i] = in.at<Elf32_Shdr>(eh.e_shoff + uint64_t(i) * eh.e_shentsize);

  int symtab = -1;
  for (int i = 0; i < eh.e_shnum; ++i)
    if (sh[i].sh_type == SHT_SYMTAB) symtab = i;
  if (symtab < 0) throw std::runtime_error("no symbol table");
  const Elf32_Shdr& st = sh[symtab];
  uint32_t symCount = st.sh_size / sizeof(Elf32_Sym);
  std::vector<Elf32_Sym> syms(symCount);
  for (uint32_t i = 0; i < symCount; ++i) syms[i] = in.at<Elf32_Sym>(st.sh_offset + uint64_t(i) * sizeof(Elf32_Sym));
  auto symName = [&](uint32_t i) { return in.str(sh[st.sh_link].sh_offset + syms[i].st_name); };

  // The section of __MAIN goes first.
  int mainSym = -1;
  for (uint32_t i = 1; i < symCount; ++i)
    if (symName(i) == "__MAIN" && syms[i].st_shndx != SHN_UNDEF) mainSym = static_cast<int>(i);
  if (mainSym < 0) throw std::runtime_error("no __MAIN defined");
  int mainSec = syms[mainSym].st_shndx;
  bool needJump = syms[mainSym].st_value != 0;

  std::vector<int> order;
  order.push_back(mainSec);
  for (int i = 1; i < eh.e_shnum; ++i)
    if ((sh[i].sh_flags & SHF_ALLOC) && i != mainSec) order.push_back(i);

  std::map<int, uint32_t> base;
  std::vector<uint8_t> code;
  if (needJump) code.resize(5);
  for (int i : order) {
    uint32_t align = sh[i].sh_addralign ? sh[i].sh_addralign : 1;
    while (code.size() % align) code.push_back(0x90);
    base[i] = static_cast<uint32_t>(code.size());
    if (sh[i].sh_type == SHT_NOBITS) {
      code.resize(code.size() + sh[i].sh_size, 0);
    } else {
      if (uint64_t(sh[i].sh_offset) + sh[i].sh_size > in.data.size()) throw std::runtime_error("section past end of file");
      code.insert(code.end(), in.data.begin() + sh[i].sh_offset, in.data.begin() + sh[i].sh_offset + sh[i].sh_size);
    }
  }

  std::map<std::string, uint32_t> symbols;  // module symbols
  std::vector<Fixup> rel, abs;
  if (needJump) {
    code[0] = 0xE9;
    uint32_t addend = static_cast<uint32_t>(-4);
    std::memcpy(&code[1], &addend, 4);
    rel.push_back({"__MAIN", 1});
  }

  // Names that fixups use for each ELF symbol.
  std::map<uint32_t, std::string> nameOf;
  auto fixupName = [&](uint32_t i) -> std::string {
    auto it = nameOf.find(i);
    if (it != nameOf.end()) return it->second;
    const Elf32_Sym& s = syms[i];
    std::string name;
    if (s.st_shndx == SHN_UNDEF) {
      name = symName(i);
      if (name.empty()) throw std::runtime_error("relocation against an unnamed undefined symbol");
    } else {
      if (s.st_shndx == SHN_ABS || s.st_shndx == SHN_COMMON || !base.count(s.st_shndx))
        throw std::runtime_error("relocation against a symbol outside the code block: " + symName(i));
      bool local = ELF32_ST_BIND(s.st_info) == STB_LOCAL;
      name = local ? "_l_" + std::to_string(i) + symName(i) : symName(i);
      uint32_t off = base[s.st_shndx] + s.st_value;
      if (off >= code.size()) throw std::runtime_error("symbol at the end of the code block: " + name);
      symbols[name] = off;
    }
    return nameOf[i] = name;
  };

  for (uint32_t i = 1; i < symCount; ++i) {
    const Elf32_Sym& s = syms[i];
    if (ELF32_ST_BIND(s.st_info) == STB_LOCAL || s.st_shndx == SHN_UNDEF) continue;
    if (s.st_shndx == SHN_COMMON) throw std::runtime_error("common symbol (compile with -fno-common): " + symName(i));
    if (!base.count(s.st_shndx)) continue;
    uint32_t off = base[s.st_shndx] + s.st_value;
    if (off < code.size()) symbols[symName(i)] = off;
  }

  for (int r = 1; r < eh.e_shnum; ++r) {
    if (sh[r].sh_type == SHT_RELA) throw std::runtime_error("RELA relocations are not used on i386");
    if (sh[r].sh_type != SHT_REL || !base.count(static_cast<int>(sh[r].sh_info))) continue;
    uint32_t target = base[static_cast<int>(sh[r].sh_info)];
    for (uint32_t k = 0; k < sh[r].sh_size / sizeof(Elf32_Rel); ++k) {
      const auto& rl = in.at<Elf32_Rel>(sh[r].sh_offset + uint64_t(k) * sizeof(Elf32_Rel));
      uint32_t type = ELF32_R_TYPE(rl.r_info), sym = ELF32_R_SYM(rl.r_info);
      if (type == R_386_NONE) continue;
      if (sym == 0 || sym >= symCount) throw std::runtime_error("relocation without a symbol");
      Fixup f{fixupName(sym), target + rl.r_offset};
      if (f.offset + 4 > code.size()) throw std::runtime_error("relocation outside its section");
      if (type == R_386_32)
        abs.push_back(f);
      else if (type == R_386_PC32 || type == R_386_PLT32)
        rel.push_back(f);
      else
        throw std::runtime_error("unsupported relocation type " + std::to_string(type));
    }
  }

  std::vector<uint8_t> out;
  put32(out, static_cast<uint32_t>(code.size()));
  out.insert(out.end(), code.begin(), code.end());
  put32(out, static_cast<uint32_t>(symbols.size()));
  for (auto& [name, off] : symbols) {
    putName(out, name);
    put32(out, off);
  }
  for (auto* table : {&rel, &abs}) {
    put32(out, static_cast<uint32_t>(table->size()));
    for (auto& f : *table) {
      putName(out, f.name);
      put32(out, f.offset);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input, output;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-o" && i + 1 < argc)
      output = argv[++i];
    else if (input.empty())
      input = a;
  }
  if (input.empty() || output.empty()) {
    std::fprintf(stderr, "usage: elf2image INPUT.o -o OUTPUT.kbm\n");
    return 2;
  }
  try {
    std::ifstream f(input, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + input);
    Input in{std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {})};
    std::vector<uint8_t> image = convert(in);
    std::ofstream o(output, std::ios::binary);
    o.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (!o) throw std::runtime_error("cannot write " + output);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "elf2image: %s: %s\n", input.c_str(), e.what());
    return 1;
  }
  return 0;
}
