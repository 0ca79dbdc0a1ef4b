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

#endif
