/* Declarations for test programs written in C and run as compiled modules: the layouts
   compiled code shares with the run-time. Run-time routines are declared by their link
   names in the generated korva/guest/commands.h (korva --list-commands=c). */
#ifndef KORVA_GUEST_H
#define KORVA_GUEST_H

#include <korva/guest/commands.h>

/* Entry of every program: byte 0 of the code block. */
void __MAIN(void);

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

#endif
