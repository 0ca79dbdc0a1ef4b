// Libraries that only some programs need, loaded the first time a command needs them, so a
// program that never plays MIDI music never pays for the synthesizer and everything below
// it. A library that cannot be loaded costs its commands their usual soft failure and one
// line on stderr naming the library, said once; the program starts and runs without it.
//
// Each user binds the functions it calls into a table of pointers typed by the library's own
// header (loadOptionalTable below) and checks that it has the table before using it.
#pragma once
#include <array>
#include <mutex>
#include <string>

namespace korva {

enum class OptionalPart { Pictures, TrackerMusic, MidiMusic, Network, EmulatedCpu };

class OptionalLibrary {
 public:
  // soname: the file the dynamic loader looks for; purpose: what goes without it, for the
  // line said when it is missing ("korva: no MIDI music: libfluidsynth.so.3 could not be
  // loaded (why)").
  OptionalLibrary(std::string soname, std::string purpose);
  OptionalLibrary(const OptionalLibrary&) = delete;
  OptionalLibrary& operator=(const OptionalLibrary&) = delete;

  // Loads the library on the first call (any thread); afterwards says whether that worked.
  bool load();
  // A function of the loaded library, or null. A library that lacks one is too old: the
  // caller reports it with missing() and treats the library as absent.
  void* function(const char* name) const;
  // Says once, on stderr, that the library could not be used and why.
  void missing(const std::string& why);

  const std::string& soname() const { return soname_; }
  const std::string& purpose() const { return purpose_; }

 private:
  std::string soname_, purpose_;
  std::once_flag loadOnce_, sayOnce_;
  void* handle_ = nullptr;
};

// The run-time's optional libraries, one per part; the packager ships them all.
OptionalLibrary& optionalLibrary(OptionalPart part);
constexpr std::array<OptionalPart, 5> kOptionalParts = {OptionalPart::Pictures, OptionalPart::TrackerMusic,
                                                        OptionalPart::MidiMusic, OptionalPart::Network,
                                                        OptionalPart::EmulatedCpu};

// Fills slot with the library's function name, typed as the library's header declares it;
// false (and the library said to be missing) when the function is not there.
template <class Pointer>
bool bindOptionalFunction(OptionalLibrary& library, Pointer& slot, const char* name) {
  slot = reinterpret_cast<Pointer>(library.function(name));
  if (!slot) library.missing(std::string("it has no function ") + name);
  return slot != nullptr;
}

// The part's library loaded and its table filled by bind(library, table) on the first
// call; null, then and ever after, when either fails. Call it once and keep the result
// (a function-local static does): the table lives as long as the process.
template <class Table, class Bind>
const Table* loadOptionalTable(OptionalPart part, Bind bind) {
  OptionalLibrary& library = optionalLibrary(part);
  if (!library.load()) return nullptr;
  static Table table;
  return bind(library, table) ? &table : nullptr;
}

}  // namespace korva

// A table of functions is listed once as X(name) and made with these: a member for each
// function, typed by the library's header...
#define KORVA_OPTIONAL_FUNCTION(name) decltype(&::name) name = nullptr;
// ...and, inside the bind function given to loadOptionalTable, the binding of each.
#define KORVA_BIND_OPTIONAL_FUNCTION(name) ok = ok && ::korva::bindOptionalFunction(library, table.name, #name);
