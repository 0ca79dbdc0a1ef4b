// User types and their objects, laid out in guest memory exactly as compiled code reads
// them: compiled code reaches fields through the record's fields pointer itself.
#pragma once
#include <cstddef>
#include <cstdint>

namespace korva {
struct vxStr;
}

namespace korva::basic {

// Type codes: the first word of every type descriptor.
enum TypeCode : uint32_t {
  kIntType = 1,
  kFloatType = 2,
  kStringType = 3,
  kConstTextType = 4,
  kUserType = 5,
  kVectorType = 6,
};

// An object record's header; the two list sentinels of a user type have the same form.
// Packed: compiled code may lay a descriptor, and so its sentinels, at any address.
struct [[gnu::packed]] ObjHeader {
  uint32_t fields;  // record + 20 while the object exists, 0 once deleted (0 in sentinels)
  uint32_t next;
  uint32_t prev;
  uint32_t type;    // the user type descriptor; 0 marks a sentinel
  int32_t refs;
};
static_assert(sizeof(ObjHeader) == 20);

// Followed by fieldCount words, each the guest address of a field's type descriptor.
struct [[gnu::packed]] UserType {
  uint32_t code;  // kUserType
  ObjHeader used;
  ObjHeader free;
  uint32_t fieldCount;
};
static_assert(sizeof(UserType) == 48);

// Link routines. Objects and types are guest addresses handed over by compiled code; an
// object variable is a 32-bit guest slot.
ObjHeader* ObjNew(UserType* type);
void ObjDelete(ObjHeader* obj);
void ObjDeleteEach(UserType* type);
void ObjRelease(ObjHeader* obj);
void ObjStore(uint32_t* var, ObjHeader* obj);
int32_t ObjCompare(ObjHeader* a, ObjHeader* b);
ObjHeader* ObjNext(ObjHeader* obj);
ObjHeader* ObjPrev(ObjHeader* obj);
ObjHeader* ObjFirst(UserType* type);
ObjHeader* ObjLast(UserType* type);
ObjHeader* ObjInsBefore(ObjHeader* a, ObjHeader* b);
ObjHeader* ObjInsAfter(ObjHeader* a, ObjHeader* b);
int32_t ObjEachFirst(uint32_t* var, UserType* type);
int32_t ObjEachNext(uint32_t* var);
// Raises "Out of memory" when the text would pass kObjTextLimit bytes (a wide type nested
// deep can ask for gigabytes).
inline constexpr size_t kObjTextLimit = 16u << 20;
vxStr* ObjToStr(ObjHeader* obj);
int32_t ObjToHandle(ObjHeader* obj);
ObjHeader* ObjFromHandle(int32_t handle, UserType* type);
[[noreturn]] void NullObjEx();
// The RuntimeStats command: counts and live strings on standard output.
void RuntimeStats();

// Objects created and not deleted; records not yet back on a free list.
size_t existingObjectCount();
size_t unreleasedObjectCount();

}  // namespace korva::basic
