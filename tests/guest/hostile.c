/* One hostile program per build (HOSTILE_<kind>): each attacks the run-time from inside and
   must end with its run-time error, or normally. A failed check inside a program ends it
   with "Array index out of bounds". */
#include "korva_guest.h"

static inline void check(int ok) {
  if (!ok) __vxArrayBoundsEx();
}

typedef struct {
  int code, count;
  void* elementType;
} VecType;

VecType vecSmall = {6, 8, &__vxIntType}, vecLarge = {6, 2000, &__vxIntType};

VX_USER_TYPE(_tNode, 1) = VX_USER_TYPE_INIT(_tNode, 1, &__vxIntType);

#define F _tWide
VX_USER_TYPE(_tWide, 16) = VX_USER_TYPE_INIT(_tWide, 16, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F, &F);

void __MAIN(void) {
#if defined(HOSTILE_heap_after_free)
  /* Freed blocks written over and freed twice; what comes back must be sound and zeroed. */
  int i, j;
  unsigned* small = __vxVecAlloc(&vecSmall);
  unsigned* large = __vxVecAlloc(&vecLarge);
  __vxVecFree(small, &vecSmall);
  __vxVecFree(large, &vecLarge);
  __vxVecFree(small, &vecSmall);
  for (i = 0; i < 8; ++i) small[i] = 0x10000000u + 4 * i; /* the unmapped guard page */
  for (i = 0; i < 2000; ++i) large[i] = 0xFFFFFFF0u;
  for (j = 0; j < 300; ++j) {
    unsigned* a = __vxVecAlloc(&vecSmall);
    unsigned* b = __vxVecAlloc(&vecSmall);
    check(a != b);
    for (i = 0; i < 8; ++i) check(a[i] == 0 && b[i] == 0);
    a[0] = b[0] = 0xFFFFFFFFu;
  }
  check(__vxStrCompare(__vxStrConcat(_fstring(__vxStrConst("ab"), 500), __vxStrConst("!")),
                       __vxStrConcat(_fstring(__vxStrConst("ab"), 500), __vxStrConst("!"))) == 0);

#elif defined(HOSTILE_string_record) || defined(HOSTILE_string_released) || defined(HOSTILE_string_forged)
  /* A string whose record was written over, released before, or made up. */
  vxStr* s = __vxStrConst("hello, world");
#if defined(HOSTILE_string_record)
  int i;
  for (i = 0; i < 16; ++i) ((unsigned*)s)[i] = 0x7FFFFFF0u;
#elif defined(HOSTILE_string_released)
  __vxStrRelease(s);
#else
  static unsigned fake[16];
  for (int i = 0; i < 16; ++i) fake[i] = ((unsigned*)s)[i];
  s = (vxStr*)fake;
#endif
#if STRING_USE == 1
  _fright(s, 3);
#elif STRING_USE == 2
  _fmid(s, 2, 5);
#elif STRING_USE == 3
  _ftrim(s);
#elif STRING_USE == 4
  _flen(s);
#else
  __vxStrConcat(__vxStrConst("x"), s);
#endif

#elif defined(HOSTILE_string_text)
  /* Only the text bytes are the program's to spoil: lengths stay what the run-time knows. */
  vxStr* s = __vxStrConst("hello");
  int i;
  for (i = 1; i < 16; ++i) ((unsigned*)s)[i] = 0x41414141u;
  check(_flen(__vxStrConcat(s, __vxStrConst(""))) == 5);

#elif defined(HOSTILE_string_links)
  /* An object store into a string record: the string's own word now points at another. */
  vxStr* s = __vxStrConst("kept");
  vxStr* t = __vxStrConst("gone");
  __vxStrRelease(t);
  __vxObjStore((void**)s, (void*)t);
  _fruntimestats();

#elif defined(HOSTILE_wide_text)
  /* Sixteen object fields nested seven deep: far more text than anyone can hold. */
  vxObjHeader* level[8] = {0};
  int i, k;
  for (i = 0; i < 8; ++i) __vxObjStore((void**)&level[i], __vxObjNew(&_tWide));
  for (i = 0; i < 7; ++i)
    for (k = 0; k < 16; ++k) __vxObjStore((void**)&level[i]->fields[k], level[i + 1]);
  _fdebuglog(__vxObjToStr(level[0]));

#elif defined(HOSTILE_cycle_first) || defined(HOSTILE_cycle_each) || defined(HOSTILE_cycle_delete_each)
  /* The type's list linked into a ring that never reaches its sentinel. */
  vxObjHeader *a = 0, *b = 0;
  __vxObjStore((void**)&a, __vxObjNew(&_tNode));
  __vxObjStore((void**)&b, __vxObjNew(&_tNode));
#if !defined(HOSTILE_cycle_delete_each)
  __vxObjDelete(a); /* deleted but held: walks skip them */
  __vxObjDelete(b);
#endif
  a->next = b;
  b->next = a;
  b->prev = a;
  a->prev = b;
#if defined(HOSTILE_cycle_first)
  __vxObjFirst(&_tNode);
#elif defined(HOSTILE_cycle_each)
  void* cursor = 0;
  __vxObjEachFirst(&cursor, &_tNode);
#else
  __vxObjDeleteEach(&_tNode);
#endif

#elif defined(HOSTILE_misaligned)
  /* Variables and records at odd addresses, as x86 allows. */
  static char area[64];
  static struct __attribute__((packed)) {
    char pad;
    struct __attribute__((packed)) {
      int tag;
      int value;
    } records[3];
  } data;
  static struct __attribute__((packed)) {
    char pad;
    int storage, type, dims, slots[2];
  } array;
  static struct __attribute__((packed)) {
    char pad[3];
    int code;
    vxObjHeader used, free;
    int count;
    void* fieldTypes[1];
  } type;
  vxStr** text = (vxStr**)(area + 1);
  void** object = (void**)(area + 7);
  void** cursor = (void**)(area + 13);
  data.records[0].tag = 1;
  data.records[0].value = 42;
  data.records[1].tag = 4;
  data.records[1].value = (int)"7";
  data.records[2].tag = 0;
  array.type = 3;
  array.dims = 2;
  array.slots[0] = 2;
  array.slots[1] = 1;
  type.code = 5;
  type.count = 1;
  type.fieldTypes[0] = &__vxIntType;

  __vxStrStore(text, __vxStrConst("odd"));
  check(__vxStrCompare(__vxStrLoad(text), __vxStrConst("odd")) == 0);
  __vxRestore(&data.records[0]);
  check(__vxReadInt() == 42);
  check(__vxReadInt() == 7);
  __vxDimArray(&array.storage);
  check(array.slots[1] == 6);
  __vxStrStore((vxStr**)array.storage + 5, __vxStrConst("last"));
  __vxUndimArray(&array.storage);
  __vxObjStore(object, __vxObjNew(&type.code));
  check(__vxObjEachFirst(cursor, &type.code) == 1 && *cursor == *object);
  check(__vxObjEachNext(cursor) == 0);
  check(__vxStrCompare(__vxObjToStr(*object), __vxStrConst("[0]")) == 0);
  {
    /* A routine called with the stack one byte off: its argument words are misaligned. */
    int r;
    __asm__ volatile("movl %%esp, %%ebx\n\tsubl $5, %%esp\n\tmovl $-5, (%%esp)\n\tcall __vxAbs\n\tmovl %%ebx, %%esp"
                     : "=a"(r)::"ebx", "ecx", "edx", "memory");
    check(r == 5);
  }

#elif defined(HOSTILE_exec_heap)
  ((void (*)(void))__vxVecAlloc(&vecLarge))();
#elif defined(HOSTILE_exec_stack)
  volatile unsigned char code[4] = {0xC3};
  ((void (*)(void))code)();
#elif defined(HOSTILE_many_blocks)
  /* 65536 blocks of one jump each, all distinct, chained one to the next. */
  __asm__ volatile(".rept 65536\n\tjmp 1f\n1:\n\t.endr");
#elif defined(HOSTILE_many_return_blocks)
  /* The same chained by returns only, which never link one block to the next directly. */
  __asm__ volatile(".rept 32768\n\tpushl $1f\n\tret\n1:\n\t.endr" ::: "memory");
#elif defined(HOSTILE_many_heavy_blocks)
  /* Blocks whose every instruction makes eight stores or loads: the most buffer per byte. */
  __asm__ volatile(".rept 2048\n\t.rept 16\n\tpusha\n\tpopa\n\t.endr\n\tjmp 1f\n1:\n\t.endr" ::: "memory");
#endif
}
