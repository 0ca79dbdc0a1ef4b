/* Guest-side loops for the basic module's benchmark: WORKLOAD picks the routine measured
   (0: none, for the cost of starting and ending a run); each run does kCount operations. */
#include "korva_guest.h"

#define kCount 100000
#define kObjects 1000

typedef struct Header {
  int* fields;
  struct Header* next;
  struct Header* prev;
  void* type;
  int refs;
} Header;

struct {
  int code;
  Header used, free;
  int count;
  void* fieldTypes[3];
} _tItem = {5,
            {0, &_tItem.used, &_tItem.used, 0, -1},
            {0, &_tItem.free, &_tItem.free, 0, -1},
            3,
            {&__vxIntType, &__vxStrType, &__vxFltType}};

volatile int sink;

void __MAIN(void) {
#if WORKLOAD > 0
  int i;
#endif
#if WORKLOAD == 1
  for (i = 0; i < kCount; ++i) __vxStrRelease(__vxStrConst("hello world"));
#elif WORKLOAD == 2
  for (i = 0; i < kCount; ++i) __vxStrRelease(__vxStrConcat(__vxStrConst("abc"), __vxStrConst("defgh")));
#elif WORKLOAD == 3
  for (i = 0; i < kCount; ++i) __vxObjDelete(__vxObjNew(&_tItem));
#elif WORKLOAD == 4
  Header* v = 0;
  int sum = 0;
  for (i = 0; i < kObjects; ++i) ((Header*)__vxObjNew(&_tItem))->fields[0] = i;
  for (i = 0; i < kCount / kObjects; ++i) {
    int more;
    for (more = __vxObjEachFirst((void**)&v, &_tItem); more; more = __vxObjEachNext((void**)&v))
      sum += v->fields[0];
  }
  sink = sum;
#endif
}
