/* Calls test routines with integer, float and pointer arguments and hands the results
   back through other calls, so the test sees both directions of the calling contract. */
#include "korva_guest.h"

int _ftestadd(int a, int b);
float _ftestmix(int a, float b, float c);
int _ftesttextlen(const char* text);
const char* _ftestgreeting(void);
void _ftestrecord(int v);
void _ftestrecordfloat(float v);
void _ftestraise(void);
void _ftestbadalloc(void);
void _ftestthrow(void);

int _ftestmode(void);

void __MAIN(void) {
  int mode = _ftestmode();
  _ftestrecord(_ftestadd(2, 40));
  _ftestrecord(_ftestadd(-7, 3));
  float f = _ftestmix(3, 1.5f, 0.25f);
  _ftestrecordfloat(f);
  _ftestrecordfloat(f * 2.0f);
  _ftestrecord(_ftesttextlen("hello, guest"));
  _ftestrecord(_ftesttextlen(_ftestgreeting()));
  if (mode == 1) _ftestraise();
  if (mode == 2) _ftestbadalloc();
  if (mode == 3) _ftestthrow();
  if (mode == 4) _fend();
  _ftestrecord(-1);
}
