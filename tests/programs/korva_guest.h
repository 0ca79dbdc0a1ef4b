/* Declarations for test programs written in C and run as compiled modules. Run-time
   routines are called by their link names with the caller-cleans convention. */
#ifndef KORVA_GUEST_H
#define KORVA_GUEST_H

typedef struct vxStr vxStr;

/* Entry of every program: byte 0 of the code block. */
void __MAIN(void);

/* Run-time's own symbols */
void _fend(void);
void _fstop(void);
void _fruntimeerror(vxStr* message);
void _fdebuglog(vxStr* text);
void _fdelay(int ms);
int _fmillisecs(void);
vxStr* _fcommandline(void);
void _fapptitle(vxStr* title);
void _fexecfile(vxStr* command);
int _fcreatetimer(int hertz);
int _fwaittimer(int timer);
void _ffreetimer(int timer);
void __vxDebugStmt(int a, int b);
void __vxDebugEnter(int a, int b, int c);
void __vxDebugLeave(void);

/* Strings */
vxStr* __vxStrConst(const char* text);
vxStr* __vxStrLoad(vxStr** var);
void __vxStrStore(vxStr** var, vxStr* s);
void __vxStrRelease(vxStr* s);
int __vxStrCompare(vxStr* a, vxStr* b);
vxStr* __vxStrConcat(vxStr* a, vxStr* b);
int __vxStrToInt(vxStr* s);
vxStr* __vxStrFromInt(int v);
float __vxStrToFloat(vxStr* s);
vxStr* __vxStrFromFloat(float v);

/* Built-in type descriptors (data) */
extern int __vxIntType, __vxFltType, __vxStrType, __vxCStrType;

/* User types and objects: an object is its record's address */
typedef struct vxObjHeader {
  int* fields; /* 0 once deleted */
  struct vxObjHeader* next;
  struct vxObjHeader* prev;
  void* type; /* 0 in the list sentinels */
  int refs;
} vxObjHeader;
/* A user type descriptor NAME with N fields, and its initializer with the field types. */
#define VX_USER_TYPE(name, n) \
  struct {                    \
    int code;                 \
    vxObjHeader used, free;   \
    int count;                \
    void* fieldTypes[n];      \
  } name
#define VX_USER_TYPE_INIT(name, n, ...) \
  {5, {0, &name.used, &name.used, 0, -1}, {0, &name.free, &name.free, 0, -1}, n, {__VA_ARGS__}}
void* __vxObjNew(void* type);
void __vxObjDelete(void* obj);
void __vxObjDeleteEach(void* type);
void __vxObjRelease(void* obj);
void __vxObjStore(void** var, void* obj);
int __vxObjCompare(void* a, void* b);
void* __vxObjNext(void* obj);
void* __vxObjPrev(void* obj);
void* __vxObjFirst(void* type);
void* __vxObjLast(void* type);
void* __vxObjInsBefore(void* a, void* b);
void* __vxObjInsAfter(void* a, void* b);
int __vxObjEachFirst(void** var, void* type);
int __vxObjEachNext(void** var);
vxStr* __vxObjToStr(void* obj);
int __vxObjToHandle(void* obj);
void* __vxObjFromHandle(int handle, void* type);
void __vxNullObjEx(void);
void _fruntimestats(void);

/* Arrays, vectors, DATA, arithmetic */
void __vxDimArray(void* array);
void __vxUndimArray(void* array);
void __vxArrayBoundsEx(void);
void* __vxVecAlloc(void* vectorType);
void __vxVecFree(void* storage, void* vectorType);
void __vxVecBoundsEx(void);
void __vxRestore(void* data);
int __vxReadInt(void);
float __vxReadFloat(void);
vxStr* __vxReadStr(void);
int __vxAbs(int v);
int __vxSgn(int v);
int __vxMod(int a, int b);
float __vxFAbs(float v);
float __vxFSgn(float v);
float __vxFMod(float a, float b);
float __vxFPow(float a, float b);

/* Math */
float _fsin(float degrees);
float _fcos(float degrees);
float _ftan(float degrees);
float _fasin(float x);
float _facos(float x);
float _fatan(float x);
float _fatan2(float y, float x);
float _fsqr(float x);
float _ffloor(float x);
float _fceil(float x);
float _fexp(float x);
float _flog(float x);
float _flog10(float x);
float _frnd(float from, float to);
int _frand(int from, int to);
void _fseedrnd(int seed);

/* String commands */
vxStr* _fstring(vxStr* s, int repeat);
vxStr* _fleft(vxStr* s, int count);
vxStr* _fright(vxStr* s, int count);
vxStr* _freplace(vxStr* s, vxStr* from, vxStr* to);
int _finstr(vxStr* s, vxStr* find, int from);
vxStr* _fmid(vxStr* s, int start, int count);
vxStr* _fupper(vxStr* s);
vxStr* _flower(vxStr* s);
vxStr* _ftrim(vxStr* s);
vxStr* _flset(vxStr* s, int size);
vxStr* _frset(vxStr* s, int size);
vxStr* _fchr(int ascii);
int _fasc(vxStr* s);
int _flen(vxStr* s);
vxStr* _fhex(int value);
vxStr* _fbin(int value);
vxStr* _fcurrentdate(void);
vxStr* _fcurrenttime(void);

#endif
