/* Guest-side loops for the basic module's benchmark: WORKLOAD picks the routine measured
   (0: none, for the cost of starting and ending a run); each run does kCount operations. */
#include "korva_guest.h"

#define kCount 100000
#define kObjects 1000

VX_USER_TYPE(_tItem, 3) = VX_USER_TYPE_INIT(_tItem, 3, &__vxIntType, &__vxStrType, &__vxFltType);

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
  vxObjHeader* v = 0;
  int sum = 0;
  for (i = 0; i < kObjects; ++i) ((vxObjHeader*)__vxObjNew(&_tItem))->fields[0] = i;
  for (i = 0; i < kCount / kObjects; ++i) {
    int more;
    for (more = __vxObjEachFirst((void**)&v, &_tItem); more; more = __vxObjEachNext((void**)&v))
      sum += v->fields[0];
  }
  sink = sum;
#endif
}
