// The bank commands. No command ever touches a byte outside its bank: in debug mode an
// access past either end raises "Offset out of range", otherwise it does nothing (reads 0).
#include <bit>
#include <cstring>
#include <map>
#include <memory>

#include "core/errors.h"
#include "core/handles.h"
#include "io/banks/bank.h"
#include "io/banks/banks.h"
#include "io/commands.h"
#include "io/stream.h"

namespace korva::io {
namespace {

constexpr char kNoBank[] = "vxBank does not exist";
constexpr char kOutOfRange[] = "Offset out of range";

std::map<uint32_t, std::unique_ptr<Bank>>& liveBanks() {
  static std::map<uint32_t, std::unique_ptr<Bank>> banks;
  return banks;
}

Bank* bankOf(int32_t handle) {
  Bank* bank = Handles::get<Bank>(static_cast<uint32_t>(handle), HandleKind::Bank);
  if (!bank && debugFlag()) raiseRuntimeError(kNoBank);
  return bank;
}

// The bank when the width bytes from offset may be touched, else null. A width of 0 or
// less touches nothing but is still checked in debug mode against its last offset.
Bank* rangeOf(int32_t handle, int32_t offset, int32_t width) {
  Bank* bank = bankOf(handle);
  if (!bank) return nullptr;
  int64_t last = int64_t{offset} + width - 1;
  if (debugFlag() && (last >= bank->size() || (offset < 0 && width > 0))) raiseRuntimeError(kOutOfRange);
  return width > 0 && bank->holds(offset, width) ? bank : nullptr;
}

template <class T>
T peek(int32_t handle, int32_t offset) {
  T value{};
  if (Bank* bank = rangeOf(handle, offset, sizeof(T))) std::memcpy(&value, bank->data() + offset, sizeof(T));
  return value;
}

template <class T>
void poke(int32_t handle, int32_t offset, T value) {
  if (Bank* bank = rangeOf(handle, offset, sizeof(T))) std::memcpy(bank->data() + offset, &value, sizeof(T));
}

}  // namespace

void freeAllBanks() {
  auto& banks = liveBanks();
  for (auto& [handle, bank] : banks) Handles::remove(handle);
  banks.clear();
}

size_t liveBankCount() { return liveBanks().size(); }

int32_t CreateBank(int32_t size) {
  std::unique_ptr<Bank> bank = Bank::create(size);
  if (!bank) raiseRuntimeError("Out of memory");
  uint32_t handle = Handles::add(HandleKind::Bank, bank.get());
  liveBanks().emplace(handle, std::move(bank));
  return static_cast<int32_t>(handle);
}

void FreeBank(int32_t bank) {
  auto& banks = liveBanks();
  auto it = banks.find(static_cast<uint32_t>(bank));
  if (it == banks.end()) return;
  Handles::remove(it->first);
  banks.erase(it);
}

int32_t BankSize(int32_t bank) {
  Bank* b = bankOf(bank);
  return b ? b->size() : 0;
}

void ResizeBank(int32_t bank, int32_t size) {
  Bank* b = bankOf(bank);
  if (b && !b->resize(size)) raiseRuntimeError("Out of memory");
}

void CopyBank(int32_t src, int32_t srcOffset, int32_t dest, int32_t destOffset, int32_t count) {
  Bank* from = rangeOf(src, srcOffset, count);
  Bank* to = rangeOf(dest, destOffset, count);
  if (from && to) std::memmove(to->data() + destOffset, from->data() + srcOffset, static_cast<size_t>(count));
}

int32_t PeekByte(int32_t bank, int32_t offset) { return peek<uint8_t>(bank, offset); }
int32_t PeekShort(int32_t bank, int32_t offset) { return peek<uint16_t>(bank, offset); }
int32_t PeekInt(int32_t bank, int32_t offset) { return peek<int32_t>(bank, offset); }
float PeekFloat(int32_t bank, int32_t offset) { return peek<float>(bank, offset); }

void PokeByte(int32_t bank, int32_t offset, int32_t value) { poke<uint8_t>(bank, offset, static_cast<uint8_t>(value)); }
void PokeShort(int32_t bank, int32_t offset, int32_t value) {
  poke<uint16_t>(bank, offset, static_cast<uint16_t>(value));
}
void PokeInt(int32_t bank, int32_t offset, int32_t value) { poke<int32_t>(bank, offset, value); }
void PokeFloat(int32_t bank, int32_t offset, float value) { poke<float>(bank, offset, value); }

int32_t ReadBytes(int32_t bank, int32_t stream, int32_t offset, int32_t count) {
  Bank* b = rangeOf(bank, offset, count);
  Stream* s = Stream::checked(stream);
  return b && s ? s->read(b->data() + offset, count) : 0;
}

int32_t WriteBytes(int32_t bank, int32_t stream, int32_t offset, int32_t count) {
  Bank* b = rangeOf(bank, offset, count);
  Stream* s = Stream::checked(stream);
  return b && s ? s->write(b->data() + offset, count) : 0;
}

namespace testing {
int64_t bankCapacity(int32_t bank) {
  Bank* b = Handles::get<Bank>(static_cast<uint32_t>(bank), HandleKind::Bank);
  return b ? b->capacity() : -1;
}
}  // namespace testing

}  // namespace korva::io
