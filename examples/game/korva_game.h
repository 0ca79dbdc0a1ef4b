/* The layouts compiled code shares with the run-time (strings, user types and objects,
   arrays, DATA); the run-time's routines come by link name from the generated
   korva/guest/commands.h. Every routine takes its arguments on the stack and the caller
   removes them. */
#ifndef KORVA_GAME_H
#define KORVA_GAME_H

#include <korva/guest/commands.h>

void __MAIN(void);

/* User types: a descriptor per type, objects on its used list. */
typedef struct vxObjHeader {
  int* fields; /* 0 once deleted */
  struct vxObjHeader* next;
  struct vxObjHeader* prev;
  void* type; /* 0 in the list sentinels */
  int refs;
} vxObjHeader;
/* struct NAME_type: the descriptor of a user type with N fields. */
#define VX_TYPE(name, n)    \
  struct name##_type {      \
    int code;               \
    vxObjHeader used, free; \
    int count;              \
    void* fieldTypes[n];    \
  }
#define VX_TYPE_INIT(var, n, ...) \
  {5, {0, &var.used, &var.used, 0, -1}, {0, &var.free, &var.free, 0, -1}, n, {__VA_ARGS__}}

/* Arrays: descriptors with one or two dimensions. */
typedef struct {
  void* storage;
  int type; /* 1 integer, 2 float, 3 string */
  int dims;
  int slots[1];
} vxArray1;
typedef struct {
  void* storage;
  int type;
  int dims;
  int slots[2];
} vxArray2;

/* DATA: one array of tagged records from __DATA on. */
typedef struct {
  int tag; /* 0 end, 1 integer, 2 float, 4 text */
  union {
    int i;
    float f;
    const char* s;
  } v;
} vxData;

#endif
