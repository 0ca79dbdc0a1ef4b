#include "basic/arrays.h"

#include <bit>
#include <cmath>
#include <cstdlib>

#include "basic/internal.h"
#include "basic/objects.h"
#include "basic/strings.h"

namespace korva::basic {
namespace {

// Gives up what count element slots of type code own.
void releaseSlots(guest::Word* slots, uint64_t count, uint32_t code) {
  if (code == kStringType) {
    for (uint64_t i = 0; i < count; ++i)
      if (uint32_t s = slots[i]) slots[i] = 0, vxStrRelease(guest::ptr<vxStr>(s));
  } else if (code == kUserType) {
    for (uint64_t i = 0; i < count; ++i)
      if (uint32_t o = slots[i]) slots[i] = 0, ObjRelease(guest::ptr<ObjHeader>(o));
  }
}

uint32_t g_cursor = 0;

}  // namespace

void DimArray(ArrayDesc* desc) {
  ArrayDesc* a = at<ArrayDesc>(guest::addr(desc));
  guest::Word* dim = at<guest::Word>(guest::addr(a) + sizeof(ArrayDesc), 4ull * a->dims);
  // Everything is checked before the descriptor changes, so a failed Dim leaves it as it was.
  uint64_t total = 1;
  for (uint32_t k = 0; k < a->dims; ++k) {
    int64_t extent = int64_t(static_cast<int32_t>(dim[k])) + 1;
    if (extent < 0) outOfMemory();
    total *= static_cast<uint64_t>(extent);
    if (total > UINT32_MAX) outOfMemory();
  }
  void* storage = blockAllocZeroed(total * 4, kStorageBlock);
  uint64_t running = 1;
  for (uint32_t k = 0; k < a->dims; ++k) {
    running *= uint64_t(static_cast<int32_t>(dim[k])) + 1;
    dim[k] = static_cast<uint32_t>(running);
  }
  a->storage = guest::addr(storage);
}

void UndimArray(ArrayDesc* desc) {
  ArrayDesc* a = at<ArrayDesc>(guest::addr(desc));
  if (!a->storage) return;
  uint64_t count = a->dims ? word(guest::addr(a) + sizeof(ArrayDesc) + 4ull * (a->dims - 1)) : 1;
  releaseSlots(at<guest::Word>(a->storage, count * 4), count, a->elemType);
  blockFree(a->storage, kStorageBlock);  // storage of an earlier run is gone already
  a->storage = 0;
}

void ArrayBoundsEx() { raiseRuntimeError("Array index out of bounds"); }
void VecBoundsEx() { raiseRuntimeError("Korva array index out of bounds"); }

uint32_t* VecAlloc(VecType* type) {
  VecType* v = at<VecType>(guest::addr(type));
  return static_cast<uint32_t*>(blockAllocZeroed(4ull * v->count, kStorageBlock));
}

void VecFree(uint32_t* storage, VecType* type) {
  if (!storage) return;
  VecType* v = at<VecType>(guest::addr(type));
  guest::Word* slots = at<guest::Word>(guest::addr(storage), 4ull * v->count);
  releaseSlots(slots, v->count, word(v->elemType));
  blockFree(guest::addr(slots), kStorageBlock);
}

void Restore(DataRecord* cursor) { g_cursor = guest::addr(cursor); }

namespace {
// The record under the cursor, which moves on; raises for the end and for unknown tags.
DataRecord next() {
  DataRecord r = *at<DataRecord>(g_cursor);
  if (r.tag == 0) raiseRuntimeError("Out of data");
  if (r.tag != 1 && r.tag != 2 && r.tag != 4) raiseRuntimeError("Bad data type");
  if (r.tag == 4) guest::checkedText(r.value);
  g_cursor += sizeof(DataRecord);
  return r;
}
inline float bitsToFloat(uint32_t v) { return std::bit_cast<float>(v); }
inline const char* textAt(uint32_t a) { return guest::ptr<const char>(a); }
}  // namespace

int32_t ReadInt() {
  DataRecord r = next();
  if (r.tag == 1) return static_cast<int32_t>(r.value);
  if (r.tag == 4) return textToInt(textAt(r.value));
  // The processor's 64-bit conversion: out of range and NaN give its "indefinite" value,
  // whose low half is 0.
  float f = bitsToFloat(r.value);
  if (!(std::fabs(f) < 0x1p63f)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(f)));
}

float ReadFloat() {
  DataRecord r = next();
  if (r.tag == 1) return static_cast<float>(static_cast<int32_t>(r.value));
  if (r.tag == 2) return bitsToFloat(r.value);
  return textToFloat(textAt(r.value));
}

vxStr* ReadStr() {
  DataRecord r = next();
  if (r.tag == 1) return vxStrNew(intToText(static_cast<int32_t>(r.value)));
  if (r.tag == 2) return vxStrNew(floatToText(bitsToFloat(r.value)));
  return vxStrNew(textAt(r.value));
}

void dataReset() { g_cursor = 0; }

int32_t Abs(int32_t v) { return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v; }
int32_t Sgn(int32_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

int32_t Mod(int32_t a, int32_t b) {
  // The faults that the processor's division gives, raised without dividing.
  if (b == 0) raiseRuntimeError("Integer divide by zero");
  if (b == -1) {
    if (a == INT32_MIN) raiseRuntimeError("Unknown runtime exception");
    return 0;
  }
  return a % b;
}

float FAbs(float v) { return std::fabs(v); }
float FSgn(float v) { return v > 0 ? 1.f : v == 0 ? 0.f : -1.f; }
float FMod(float a, float b) { return toFloat(std::fmod(double(a), double(b))); }
float FPow(float a, float b) { return toFloat(std::pow(double(a), double(b))); }

}  // namespace korva::basic
