/* The routines of the fuzz test (tests/fuzz), registered only while it runs. */
#ifndef KORVA_FUZZ_H
#define KORVA_FUZZ_H
#include "korva_guest.h"

/* Fills call with the next call to make: routine address, 1 when it returns a float, then
   twelve argument words. 0 when the run has made its calls. */
int _ffuzznext(unsigned* call);
/* Hands back an integer or pointer result. */
void _ffuzzresult(unsigned result);

#endif
