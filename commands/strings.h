// The string commands. Each owns its string arguments; most return their first argument
// changed in place, so the number of live strings stays the same.
#pragma once
#include <cstdint>

namespace korva {
struct vxStr;
}

namespace korva::strings {

vxStr* String(vxStr* s, int32_t repeat);
vxStr* Left(vxStr* s, int32_t count);
vxStr* Right(vxStr* s, int32_t count);
vxStr* Replace(vxStr* s, vxStr* from, vxStr* to);
int32_t Instr(vxStr* s, vxStr* find, int32_t from);
vxStr* Mid(vxStr* s, int32_t start, int32_t count);
vxStr* Upper(vxStr* s);
vxStr* Lower(vxStr* s);
vxStr* Trim(vxStr* s);
vxStr* LSet(vxStr* s, int32_t size);
vxStr* RSet(vxStr* s, int32_t size);
vxStr* Chr(int32_t ascii);
int32_t Asc(vxStr* s);
int32_t Len(vxStr* s);
vxStr* Hex(int32_t value);
vxStr* Bin(int32_t value);
vxStr* CurrentDate();
vxStr* CurrentTime();

}  // namespace korva::strings
