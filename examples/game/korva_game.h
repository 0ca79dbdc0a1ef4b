/* The run-time routines the game calls, by link name, with the layouts compiled code
   shares with the run-time (strings, user types and objects, arrays, DATA). Every routine
   takes its arguments on the stack and the caller removes them. */
#ifndef KORVA_GAME_H
#define KORVA_GAME_H

typedef struct vxStr vxStr;

void __MAIN(void);

/* --- language support ------------------------------------------------------------ */

/* Strings: every routine that takes a string releases it; results are new strings. */
vxStr* __vxStrConst(const char* text);
vxStr* __vxStrLoad(vxStr** var);
void __vxStrStore(vxStr** var, vxStr* s);
void __vxStrRelease(vxStr* s);
int __vxStrCompare(vxStr* a, vxStr* b);
vxStr* __vxStrConcat(vxStr* a, vxStr* b);
int __vxStrToInt(vxStr* s);
vxStr* __vxStrFromInt(int v);

/* User types: a descriptor per type, objects on its used list. */
extern int __vxIntType, __vxFltType, __vxStrType;
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
void* __vxObjNew(void* type);
void __vxObjDelete(void* obj);
void __vxObjDeleteEach(void* type);
void __vxObjStore(void** var, void* obj);
int __vxObjEachFirst(void** var, void* type);
int __vxObjEachNext(void** var);
void __vxNullObjEx(void) __attribute__((noreturn));

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
void __vxDimArray(void* array);
void __vxArrayBoundsEx(void) __attribute__((noreturn));

/* DATA: one array of tagged records from __DATA on. */
typedef struct {
  int tag; /* 0 end, 1 integer, 2 float, 4 text */
  union {
    int i;
    float f;
    const char* s;
  } v;
} vxData;
void __vxRestore(void* data);
int __vxReadInt(void);
float __vxReadFloat(void);
vxStr* __vxReadStr(void);

/* --- system, math and string commands -------------------------------------------- */
void _fend(void) __attribute__((noreturn));
void _fruntimeerror(vxStr* message) __attribute__((noreturn));
void _fdebuglog(vxStr* text);
vxStr* _fcommandline(void);
void _fapptitle(vxStr* title);
int _fcreatetimer(int hertz);
int _fwaittimer(int timer);
void _ffreetimer(int timer);
float _fsin(float degrees);
float _fcos(float degrees);
float _frnd(float from, float to);
int _frand(int from, int to);
void _fseedrnd(int seed);
int _fmillisecs(void);
vxStr* _fleft(vxStr* s, int count);
vxStr* _fmid(vxStr* s, int start, int count);
vxStr* _fupper(vxStr* s);
vxStr* _fchr(int ascii);
int _finstr(vxStr* s, vxStr* find, int from);
int _flen(vxStr* s);

/* --- graphics, images and fonts -------------------------------------------------- */
void _fgraphics(int width, int height, int depth, int mode);
int _fbackbuffer(void);
void _fsetbuffer(int buffer);
void _fflip(int vwait);
void _fcolor(int red, int green, int blue);
void _fclscolor(int red, int green, int blue);
void _fcls(void);
void _fplot(int x, int y);
void _frect(int x, int y, int width, int height, int solid);
void _ftext(int x, int y, vxStr* text, int centreX, int centreY);
int _floadfont(vxStr* name, int height, int bold, int italic, int underline);
void _fsetfont(int font);
int _fstringwidth(vxStr* text);
int _floadanimimage(vxStr* file, int cellWidth, int cellHeight, int first, int count);
int _fcopyimage(int image);
void _fdrawimage(int image, int x, int y, int frame);
void _fmaskimage(int image, int red, int green, int blue);
void _fmidhandle(int image);
int _fimagescollide(int image1, int x1, int y1, int frame1, int image2, int x2, int y2, int frame2);
void _fscaleimage(int image, float xScale, float yScale);
void _frotateimage(int image, float angle);
void _ftformfilter(int enable);

/* --- input ----------------------------------------------------------------------- */
int _fkeydown(int key);
int _fkeyhit(int key);
int _fgetkey(void);
void _fflushkeys(void);
int _fmousedown(int button);
int _fmousehit(int button);
int _fmousex(void);
int _fmousey(void);
int _fmousexspeed(void);
int _fmouseyspeed(void);
void _fflushmouse(void);
int _fjoytype(int port);
int _fjoydown(int button, int port);
int _fjoyhit(int button, int port);
float _fjoyx(int port);
float _fjoyy(int port);
void _fflushjoy(void);

/* --- sound ----------------------------------------------------------------------- */
int _floadsound(vxStr* file);
void _fsoundvolume(int sound, float volume);
int _fplaysound(int sound);
int _fplaymusic(vxStr* file);
void _fchannelpitch(int channel, int pitch);
void _fchannelvolume(int channel, float volume);
void _fchannelpan(int channel, float pan);
int _fchannelplaying(int channel);

/* --- files ----------------------------------------------------------------------- */
int _freadfile(vxStr* name);
int _fwritefile(vxStr* name);
void _fclosefile(int file);
int _feof(int stream);
vxStr* _freadline(int stream);
void _fwriteline(int stream, vxStr* text);

#endif
