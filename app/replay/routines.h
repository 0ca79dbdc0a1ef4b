// Which routines hand a program something from outside it, and so what a recording keeps
// of each call and what a replay does instead. Every routine not named here is
// deterministic: given the same arguments and the same earlier calls it does the same in
// every run, so a replay simply runs it.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korva::replay {

enum class Policy : uint8_t {
  Run,          // deterministic: runs in both
  Outside,      // its result comes from outside (clock, input, network...): recorded; a
                // replay answers from the recording without running it
  Opens,        // Outside, and what it returns is a connection, a listing or a channel
                // whose life depends on time: later calls naming that handle are outside
  Skip,         // acts only on the outside (waits, moves the pointer, starts programs):
                // runs when recording, not in a replay
  Checked,      // runs in both (loads from files, graphics modes); its result is recorded
                // and a replay stops where it differs
  HandleRead,   // Outside when its handle argument came from an Opens routine, else Run
  HandleWrite,  // Skip when its handle argument came from an Opens routine, else Run
  Flip,         // runs in both; a replay does not wait for the display
};

struct RoutineInfo {
  std::string declaration;
  std::string name;
  char result = 0;      // the result sigil: 0 none, '%' 'u' 'p' '#' '$'
  std::string params;   // one sigil per parameter
  Policy policy = Policy::Run;
  int handleArg = -1;   // the parameter that names the handle, for HandleRead/HandleWrite
  bool fillsBank = false;  // ReadBytes: the bytes it reads go into a bank
};

// The routine's name in a declaration: "%KeyDown%key" -> "KeyDown".
std::string_view declarationName(std::string_view declaration);

// The policy of a routine by name, and its handle parameter (-1: none).
Policy policyOf(std::string_view name, int& handleArg);

// Names the table gives a policy to; a test checks that each is registered.
std::vector<std::string_view> namedRoutines();

// Every registered routine by its stub, built once from the module list.
class RoutineTable {
 public:
  RoutineTable();
  // Null for an address that is no routine's stub.
  const RoutineInfo* byStub(uint32_t stub) const;
  std::span<const RoutineInfo> all() const { return infos_; }
  // The routine with this declaration, or null.
  const RoutineInfo* byDeclaration(std::string_view declaration) const;

 private:
  std::vector<RoutineInfo> infos_;
  std::vector<int32_t> byStubIndex_;  // stub index -> index in infos_, -1 for none
};

}  // namespace korva::replay
