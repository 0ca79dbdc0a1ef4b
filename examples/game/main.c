/* Korva Rocks: shoot the falling rocks, catch the gems, keep your ship whole.

   Command line: [ASSETS [SCOREFILE [SEED]]]
     ASSETS     the folder with sprites.png, shot.wav, boom.wav, gem.wav and tune.mod
                (default: assets)
     SCOREFILE  where the high scores are kept (default: scores.txt)
     SEED       a number for the random generator, so that a run with scripted input
                plays the same every time (default: the clock)
   Paths must not contain blanks. Controls: arrows or WASD, the mouse, or a gamepad; Space,
   Ctrl, the left button or gamepad button 1 fires; Esc ends a game, or the program on the
   title screen. */
#include "game.h"

/* Types */
struct Rock_type _tRock = VX_TYPE_INIT(_tRock, 8, &__vxFltType, &__vxFltType, &__vxFltType, &__vxFltType,
                                       &__vxFltType, &__vxFltType, &__vxIntType, &__vxIntType);
struct Shot_type _tShot = VX_TYPE_INIT(_tShot, 3, &__vxFltType, &__vxFltType, &__vxFltType);
struct Gem_type _tGem = VX_TYPE_INIT(_tGem, 4, &__vxFltType, &__vxFltType, &__vxFltType, &__vxIntType);
struct Boom_type _tBoom = VX_TYPE_INIT(_tBoom, 4, &__vxIntType, &__vxIntType, &__vxIntType, &__vxIntType);
struct Popup_type _tPopup = VX_TYPE_INIT(_tPopup, 4, &__vxFltType, &__vxFltType, &__vxStrType, &__vxIntType);

/* Arrays, dimensioned at start-up */
vxArray2 _aRockImage = {0, 1, 2, {1, kAngles - 1}};
vxArray1 _aHiName = {0, 3, 1, {kTableSize - 1}};
vxArray1 _aHiScore = {0, 1, 1, {kTableSize - 1}};
vxArray1 _aStarX = {0, 2, 1, {kStars - 1}};
vxArray1 _aStarY = {0, 2, 1, {kStars - 1}};
vxArray1 _aStarSpeed = {0, 2, 1, {kStars - 1}};

#define DI(n) {1, {.i = (n)}}
#define DF(x) {2, {.f = (x)}}
#define DS(t) {4, {.s = (t)}}
vxData __DATA[] = {
    /* .waves (DATA_WAVES): rocks, speed, of them big; 0 ends */
    DI(4), DF(1.0f), DI(1),
    DI(5), DF(1.25f), DI(2),
    DI(6), DF(1.5f), DI(3),
    DI(7), DF(1.75f), DI(4),
    DI(8), DF(2.0f), DI(5),
    DI(0),
    /* .scores (DATA_SCORES): the table before anyone has played */
    DS("ADA"), DI(2500), DS("GRACE"), DI(2000), DS("ALAN"), DI(1500), DS("EDSGER"), DI(1000),
    DS("BARBARA"), DI(250),
    /* .help (DATA_HELP): "" ends */
    DS("Move: arrows, WASD, the mouse or a gamepad"),
    DS("Fire: Space, Ctrl, the left button or button 1"),
    DS("Big rocks split, gems are worth 250. Esc ends the game."),
    DS(""),
    {0, {.i = 0}},
};

vxStr *gAssets, *gScoreFile, *gName;
int gState, gFrame, gTimer;
int gFontBig, gFontMid, gFontSmall;
int gShipImg, gShotImg, gGemImg, gBoomImg, gBigBoomImg, gLifeImg, gTitleShipImg;
int gSndShot, gSndBoom, gSndGem, gMusic;
int gScore, gLives, gWave, gBanner;
static vxStr* gLine;

vxStr* S(const char* text) { return __vxStrConst(text); }
vxStr* cat3(vxStr* a, vxStr* b, vxStr* c) { return __vxStrConcat(__vxStrConcat(a, b), c); }

void textRight(int x, int y, vxStr* text) {
  vxStr* kept = 0;
  __vxStrStore(&kept, text);
  _ftext(x - _fstringwidth(__vxStrLoad(&kept)), y, __vxStrLoad(&kept), 0, 0);
  __vxStrStore(&kept, 0);
}

/* The n-th blank-separated word of the command line (from 1), or "" when there is none. */
static vxStr* word(int n) {
  int start = 1, end, i;
  for (i = 1; i < n; ++i) {
    int blank = _finstr(__vxStrLoad(&gLine), S(" "), start);
    if (!blank) return S("");
    start = blank + 1;
  }
  end = _finstr(__vxStrLoad(&gLine), S(" "), start);
  return end ? _fmid(__vxStrLoad(&gLine), start, end - start) : _fmid(__vxStrLoad(&gLine), start, -1);
}

static vxStr* asset(const char* name) { return cat3(__vxStrLoad(&gAssets), S("/"), S(name)); }

static int loadSprites(int first, int count) {
  int image = _floadanimimage(asset("sprites.png"), 32, 32, first, count);
  if (!image) _fruntimeerror(cat3(S("Could not load "), asset("sprites.png"), S("")));
  _fmaskimage(image, 0, 0, 0);
  _fmidhandle(image);
  return image;
}

static int scaledCopy(int image, float scale) {
  int copy = _fcopyimage(image);
  _fscaleimage(copy, scale, scale);
  return copy;
}

/* Every rock in two sizes and sixteen turns, made once: turning images every frame would
   cost far more than drawing them. */
static void makeRockImages(int rocks) {
  int size, angle;
  _aRockImage.slots[0] = 1;
  _aRockImage.slots[1] = kAngles - 1;
  __vxDimArray(&_aRockImage);
  for (size = 0; size <= 1; ++size)
    for (angle = 0; angle < kAngles; ++angle) {
      int image = size ? scaledCopy(rocks, 1.6f) : _fcopyimage(rocks);
      _frotateimage(image, angle * (360.0f / kAngles));
      *at2(&_aRockImage, size, angle) = image;
    }
}

static void dim1(vxArray1* a, int highest) {
  a->slots[0] = highest;
  __vxDimArray(a);
}

static void loadAssets(void) {
  int rocks;
  vxStr* failed = 0;
  gShipImg = loadSprites(0, 4);
  gShotImg = loadSprites(4, 4);
  rocks = loadSprites(8, 4);
  gGemImg = loadSprites(12, 4);
  gBoomImg = loadSprites(16, 8);
  makeRockImages(rocks);
  gBigBoomImg = scaledCopy(gBoomImg, 2.0f);
  gLifeImg = scaledCopy(gShipImg, 0.5f);
  _ftformfilter(0); /* the big title ship keeps its hard pixel edges */
  gTitleShipImg = scaledCopy(gShipImg, 3.0f);
  _ftformfilter(1);

  gSndShot = _floadsound(asset("shot.wav"));
  gSndBoom = _floadsound(asset("boom.wav"));
  gSndGem = _floadsound(asset("gem.wav"));
  if (gSndShot) _fsoundvolume(gSndShot, 0.5f);
  /* A game without sound still plays; say what is missing and go on. */
  if (!gSndShot || !gSndBoom || !gSndGem) __vxStrStore(&failed, S("Some sound effects could not be loaded from "));
  if (failed) _fdebuglog(__vxStrConcat(__vxStrLoad(&failed), __vxStrLoad(&gAssets)));
  __vxStrStore(&failed, 0);

  gFontBig = _floadfont(S("courier"), 52, 1, 0, 0);
  gFontMid = _floadfont(S("courier"), 22, 1, 0, 0);
  gFontSmall = _floadfont(S("courier"), 15, 0, 0, 0);
}

void keepMusicPlaying(void) {
  static int silent;
  /* A song plays once; playing the same file again starts it from the top. Asked every
     frame, so the tune starts again within a frame of its end. */
  if (silent || (gMusic && _fchannelplaying(gMusic))) return;
  gMusic = _fplaymusic(asset("tune.mod"));
  if (gMusic) {
    _fchannelvolume(gMusic, 0.6f);
  } else {
    _fdebuglog(__vxStrConcat(S("Could not play the music "), asset("tune.mod")));
    silent = 1;
  }
}

void moveStars(float speed) {
  int i;
  for (i = 0; i < kStars; ++i) {
    FLTA(_aStarY, i) += FLTA(_aStarSpeed, i) * speed;
    if (FLTA(_aStarY, i) >= kHeight) {
      FLTA(_aStarY, i) -= kHeight;
      FLTA(_aStarX, i) = _frnd(0, kWidth);
    }
  }
}

void drawStars(void) {
  int i;
  for (i = 0; i < kStars; ++i) {
    int b = (int)(FLTA(_aStarSpeed, i) * 60.0f);
    _fcolor(b, b, b + 40 > 255 ? 255 : b + 40);
    if (FLTA(_aStarSpeed, i) > 3.0f) _frect((int)FLTA(_aStarX, i), (int)FLTA(_aStarY, i), 2, 2, 1);
    else _fplot((int)FLTA(_aStarX, i), (int)FLTA(_aStarY, i));
  }
}

void __MAIN(void) {
  int i;
  __vxRestore(__DATA);
  __vxStrStore(&gLine, _fcommandline());
  __vxStrStore(&gAssets, word(1));
  __vxStrStore(&gScoreFile, word(2));
  if (_flen(__vxStrLoad(&gAssets)) == 0) __vxStrStore(&gAssets, S("assets"));
  if (_flen(__vxStrLoad(&gScoreFile)) == 0) __vxStrStore(&gScoreFile, S("scores.txt"));

  _fapptitle(S("Korva Rocks"));
  _fgraphics(kWidth, kHeight, 0, 2);
  _fsetbuffer(_fbackbuffer());
  _fclscolor(6, 8, 24);
  i = __vxStrToInt(word(3));
  _fseedrnd(i ? i : _fmillisecs());
  loadAssets();

  dim1(&_aHiName, kTableSize - 1);
  dim1(&_aHiScore, kTableSize - 1);
  dim1(&_aStarX, kStars - 1);
  dim1(&_aStarY, kStars - 1);
  dim1(&_aStarSpeed, kStars - 1);
  for (i = 0; i < kStars; ++i) {
    FLTA(_aStarX, i) = _frnd(0, kWidth);
    FLTA(_aStarY, i) = _frnd(0, kHeight);
    FLTA(_aStarSpeed, i) = _frnd(0.5f, 4.0f);
  }
  loadScores();

  gState = kTitle;
  gTimer = _fcreatetimer(kHz);
  for (;;) {
    ++gFrame;
    keepMusicPlaying();
    if (gState == kTitle) titleFrame();
    else if (gState == kPlaying) playFrame();
    else gameOverFrame();
    _fwaittimer(gTimer);
    _fflip(0);
  }
}
