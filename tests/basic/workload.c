/* Lays out a user type, a string array and DATA as a compiler would, then creates, walks,
   deletes and prints objects. A failed check ends the run with "Array index out of
   bounds". */
#include "korva_guest.h"

/* Type Point: x%, name$, link.Point, score# */
VX_USER_TYPE(_tPoint, 4) = VX_USER_TYPE_INIT(_tPoint, 4, &__vxIntType, &__vxStrType, &_tPoint, &__vxFltType);

/* Dim names$(4) */
struct {
  vxStr** storage;
  int type;
  int dims;
  int slots[1];
} _aNames = {0, 3, 1, {4}};

typedef struct {
  int tag;
  union {
    int i;
    float f;
    const char* s;
  } v;
} Data;

Data __DATA[] = {
    {1, {.i = 10}}, {4, {.s = "alpha"}},   {2, {.f = 1.5f}},
    {1, {.i = 20}}, {4, {.s = "beta"}},    {4, {.s = "2.5"}},
    {4, {.s = "30"}}, {4, {.s = "gamma"}}, {1, {.i = 3}},
    {2, {.f = 40.9f}}, {4, {.s = "delta"}}, {2, {.f = 4.5f}},
    {1, {.i = 50}}, {1, {.i = 5}},         {2, {.f = 5.25f}},
    {0, {.i = 0}},
};

vxStr* kept;
vxObjHeader* cursor;

static void check(int ok) {
  if (!ok) __vxArrayBoundsEx();
}

static int sameText(vxStr* s, const char* text) { return __vxStrCompare(s, __vxStrConst(text)) == 0; }

void __MAIN(void) {
  vxObjHeader* p = 0;
  vxObjHeader* prev = 0;
  int i, sum = 0, count = 0;
  float scores = 0;

  kept = 0;
  cursor = 0;
  _aNames.storage = 0;
  _aNames.slots[0] = 4;
  __vxRestore(__DATA);
  __vxDimArray(&_aNames);
  for (i = 0; i < 5; ++i) {
    __vxObjStore((void**)&p, __vxObjNew(&_tPoint));
    p->fields[0] = __vxReadInt();
    __vxStrStore((vxStr**)&p->fields[1], __vxReadStr());
    *(float*)&p->fields[3] = __vxReadFloat();
    __vxObjStore((void**)&p->fields[2], prev);
    __vxObjStore((void**)&prev, p);
    __vxStrStore(&_aNames.storage[i], __vxStrLoad((vxStr**)&p->fields[1]));
  }
  __vxObjStore((void**)&p, 0);
  __vxObjStore((void**)&prev, 0);

  for (i = __vxObjEachFirst((void**)&cursor, &_tPoint); i; i = __vxObjEachNext((void**)&cursor)) {
    sum += cursor->fields[0];
    scores += *(float*)&cursor->fields[3];
    if (__vxMod(cursor->fields[0], 20) == 0) __vxObjDelete(cursor);
  }
  check(sum == 150);
  check(scores == 16.75f);

  for (i = __vxObjEachFirst((void**)&cursor, &_tPoint); i; i = __vxObjEachNext((void**)&cursor)) ++count;
  check(count == 3);

  {
    vxStr* all = __vxStrConst("");
    for (i = 0; i < 5; ++i) all = __vxStrConcat(all, __vxStrLoad(&_aNames.storage[i]));
    check(sameText(all, "alphabetagammadelta5"));
  }

  /* The last point links to the deleted fourth one. */
  __vxStrStore(&kept, __vxObjToStr(__vxObjLast(&_tPoint)));
  check(sameText(__vxStrLoad(&kept), "[50,\"5\",[NULL],5.250000]"));
  check(sameText(__vxStrFromFloat(__vxFPow(2.0f, 10.0f)), "1024.000000"));

  _fruntimestats();
  __vxUndimArray(&_aNames);
  __vxObjDeleteEach(&_tPoint);
  _fruntimestats();
}
