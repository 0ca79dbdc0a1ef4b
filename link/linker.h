// Reads a module image, copies its code into guest memory and patches its fixups against
// the module's own symbols first and the run-time's symbols second.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

namespace korva {

using SymbolTable = std::unordered_map<std::string, uint32_t>;

struct LinkResult {
  enum Status { Ok, Unusable, MissingSymbol } status = Unusable;
  uint32_t base = 0;  // the linked code block; its first byte is the entry
  uint32_t size = 0;
  std::string symbol;  // the name not found, for MissingSymbol
  std::string problem;  // why the image is unusable, in words a user acts on

  // "Unable to run Korva Basic module" or "Can't find symbol: " + name.
  std::string message() const;
  // The process exit code that goes with the failure: -1 or 0.
  int exitCode() const { return status == MissingSymbol ? 0 : -1; }
};

// Links image. Nothing outside image and the new code block is read or written, whatever
// the image holds. On failure the code block is freed again.
LinkResult linkImage(std::span<const uint8_t> image, const SymbolTable& runtime);

// Why image cannot be a module image (cut short, or a symbol or fixup outside its code),
// without linking it; empty when its tables are whole.
std::string imageLayoutProblem(std::span<const uint8_t> image);

}  // namespace korva
