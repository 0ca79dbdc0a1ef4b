/* The routines of the CPU tests (tests/native, tests/guest), registered only while they run. */
#ifndef KORVA_NATIVE_H
#define KORVA_NATIVE_H
#include "korva_guest.h"

/* The number the test chose for this run. */
int _fcpuparam(void);
void _fcpurecord(int v);
void _fcpurecordfloat(float v);
/* v / 2, returned on the x87 stack. */
float _fcpuhalf(float v);
/* What the run-time finds when it is called: 0 when its flags, control words, x87 stack,
   thread-local storage and unaligned loads are as they must be, else a bit per problem. */
int _fcpucheckhost(void);
/* Faults inside the run-time itself. */
void _fcpucrash(void);

#endif
