/* Korva Rocks: what the game's files share. The game is laid out as compiled BASIC code
   is: global variables, user types walked with Each, dimensioned arrays and DATA. */
#ifndef GAME_H
#define GAME_H
#include "korva_game.h"

enum { kWidth = 640, kHeight = 480, kHz = 60 };
enum { kEsc = 1, kBackspace = 14, kEnter = 28, kCtrl = 29, kSpace = 57,
       kUp = 200, kLeft = 203, kRight = 205, kDown = 208, kW = 17, kA = 30, kS = 31, kD = 32 };
enum { kTitle, kPlaying, kGameOver };
enum { kTableSize = 5, kAngles = 16, kStars = 60, kNameLength = 10 };

/* Type Rock: x#, y#, vx#, vy#, angle#, spin#, size%, shape% */
enum { ROCK_X, ROCK_Y, ROCK_VX, ROCK_VY, ROCK_ANGLE, ROCK_SPIN, ROCK_SIZE, ROCK_SHAPE };
VX_TYPE(Rock, 8);
extern struct Rock_type _tRock;
/* Type Shot: x#, y#, vy# */
enum { SHOT_X, SHOT_Y, SHOT_VY };
VX_TYPE(Shot, 3);
extern struct Shot_type _tShot;
/* Type Gem: x#, y#, vy#, age% */
enum { GEM_X, GEM_Y, GEM_VY, GEM_AGE };
VX_TYPE(Gem, 4);
extern struct Gem_type _tGem;
/* Type Boom: x%, y%, age%, big% */
enum { BOOM_X, BOOM_Y, BOOM_AGE, BOOM_BIG };
VX_TYPE(Boom, 4);
extern struct Boom_type _tBoom;
/* Type Popup: x#, y#, text$, age% */
enum { POPUP_X, POPUP_Y, POPUP_TEXT, POPUP_AGE };
VX_TYPE(Popup, 4);
extern struct Popup_type _tPopup;

/* Field access as compiled code does it: a deleted or null object is an error. */
static inline int* fieldsOf(vxObjHeader* o) {
  if (!o || !o->fields) __vxNullObjEx();
  return o->fields;
}
#define INTF(o, f) (fieldsOf(o)[f])
#define FLTF(o, f) (*(float*)&fieldsOf(o)[f])
#define STRF(o, f) ((vxStr**)&fieldsOf(o)[f])
#define EACH(var, type) \
  for (int each_ = __vxObjEachFirst((void**)&(var), &(type)); each_; each_ = __vxObjEachNext((void**)&(var)))
#define NEW(var, type) __vxObjStore((void**)&(var), __vxObjNew(&(type)))

/* Array elements with the bounds check compiled code makes. */
static inline int* at1(vxArray1* a, int i) {
  if ((unsigned)i >= (unsigned)a->slots[0]) __vxArrayBoundsEx();
  return (int*)a->storage + i;
}
static inline int* at2(vxArray2* a, int i, int j) {
  if ((unsigned)i >= (unsigned)a->slots[0] || (unsigned)j * a->slots[0] + i >= (unsigned)a->slots[1])
    __vxArrayBoundsEx();
  return (int*)a->storage + i + j * a->slots[0];
}
#define FLTA(a, i) (*(float*)at1(&(a), i))
#define STRA(a, i) ((vxStr**)at1(&(a), i))

/* Arrays */
extern vxArray2 _aRockImage;                       /* Dim RockImage%(1, kAngles - 1): size, angle */
extern vxArray1 _aHiName, _aHiScore;               /* Dim HiName$(4), HiScore%(4) */
extern vxArray1 _aStarX, _aStarY, _aStarSpeed;     /* Dim StarX#(59), StarY#(59), StarSpeed#(59) */

/* DATA and its labels (record indices) */
extern vxData __DATA[];
enum { DATA_WAVES = 0, DATA_SCORES = 16, DATA_HELP = 26 };

/* Globals */
extern vxStr *gAssets, *gScoreFile;
extern int gState, gFrame, gTimer;
extern int gFontBig, gFontMid, gFontSmall;
extern int gShipImg, gShotImg, gGemImg, gBoomImg, gBigBoomImg, gLifeImg, gTitleShipImg;
extern int gSndShot, gSndBoom, gSndGem, gMusic;
extern int gScore, gLives, gWave, gBanner;
extern vxStr* gName;

/* main.c */
vxStr* S(const char* text);
vxStr* cat3(vxStr* a, vxStr* b, vxStr* c);
void keepMusicPlaying(void);
void textRight(int x, int y, vxStr* text);
void moveStars(float speed);
void drawStars(void);
/* play.c */
void startGame(void);
void playFrame(void);
/* screens.c */
void loadScores(void);
void titleFrame(void);
void startGameOver(void);
void gameOverFrame(void);

#endif
