/* Prints negative floats from one million up through every path a program meets: string
   conversion, concatenation, object text and DATA read as text. Each text goes to DebugLog. */
#include "korva_guest.h"

/* Type Score: value# */
VX_USER_TYPE(_tScore, 1) = VX_USER_TYPE_INIT(_tScore, 1, &__vxFltType);

typedef struct {
  int tag;
  union {
    int i;
    float f;
  } v;
} Data;

Data __DATA[] = {{2, {.f = -1234567.f}}, {2, {.f = -9999999.f}}, {2, {.f = 999999.94f}}, {0, {.i = 0}}};

volatile float values[] = {-1000000.f, -2000000.f, 1000000.f, -0.5f};

void __MAIN(void) {
  int i;
  vxObjHeader* score = 0;
  for (i = 0; i < 4; ++i) _fdebuglog(__vxStrFromFloat(values[i]));
  _fdebuglog(__vxStrConcat(__vxStrConst("score "), __vxStrFromFloat(-1000000.f)));
  __vxObjStore((void**)&score, __vxObjNew(&_tScore));
  *(float*)&score->fields[0] = -2000000.f;
  _fdebuglog(__vxObjToStr(score));
  __vxObjStore((void**)&score, 0);
  __vxRestore(__DATA);
  for (i = 0; i < 3; ++i) _fdebuglog(__vxReadStr());
}
