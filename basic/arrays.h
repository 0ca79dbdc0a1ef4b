// Dimensioned arrays, vector fields, DATA records and the arithmetic helpers. The
// descriptors are laid out by the compiler in guest memory; the run-time fills them in.
#pragma once
#include <cstdint>

namespace korva {
struct vxStr;
}

namespace korva::basic {

// The layouts are packed: compiled code may place them at any address.
// Followed by dims words: the highest indices asked for, then (once dimensioned) the
// running element counts.
struct [[gnu::packed]] ArrayDesc {
  uint32_t storage;   // guest address of the elements, 0 while not dimensioned
  uint32_t elemType;  // a type code
  uint32_t dims;
};
static_assert(sizeof(ArrayDesc) == 12);

struct [[gnu::packed]] VecType {
  uint32_t code;  // kVectorType
  uint32_t count;
  uint32_t elemType;  // guest address of the element type descriptor
};

struct [[gnu::packed]] DataRecord {
  uint32_t tag;    // 0 end, 1 integer, 2 float, 4 constant text
  uint32_t value;  // the integer, the float's bits or the text's guest address
};

void DimArray(ArrayDesc* a);
void UndimArray(ArrayDesc* a);
[[noreturn]] void ArrayBoundsEx();
uint32_t* VecAlloc(VecType* v);
void VecFree(uint32_t* storage, VecType* v);
[[noreturn]] void VecBoundsEx();

void Restore(DataRecord* cursor);
int32_t ReadInt();
float ReadFloat();
vxStr* ReadStr();

int32_t Abs(int32_t v);
int32_t Sgn(int32_t v);
int32_t Mod(int32_t a, int32_t b);
float FAbs(float v);
float FSgn(float v);
float FMod(float a, float b);
float FPow(float a, float b);

}  // namespace korva::basic
