/* The title screen, the end of a game with its name entry, and the high-score file. */
#include "game.h"

static const char kScoreHeader[] = "KORVA ROCKS SCORES 1";
static int overFrames, entering, rank;
static int foreignFile; /* the score file is someone else's: never write over it */

/* Defaults from DATA when the file is missing or not ours. */
static void defaultScores(void) {
  int i;
  __vxRestore(&__DATA[DATA_SCORES]);
  for (i = 0; i < kTableSize; ++i) {
    __vxStrStore(STRA(_aHiName, i), __vxReadStr());
    *at1(&_aHiScore, i) = __vxReadInt();
  }
}

/* Reads the table; a damaged file gives what could be read, cleaned up and in order. */
void loadScores(void) {
  int file, i, j;
  defaultScores();
  file = _freadfile(__vxStrLoad(&gScoreFile));
  if (!file) return;
  if (_feof(file)) { /* empty: nothing to keep */
    _fclosefile(file);
    return;
  }
  if (__vxStrCompare(_freadline(file), S(kScoreHeader)) != 0) {
    _fdebuglog(__vxStrConcat(S("Not a high-score file, left alone: "), __vxStrLoad(&gScoreFile)));
    foreignFile = 1;
    _fclosefile(file);
    return;
  }
  for (i = 0; i < kTableSize && !_feof(file); ++i) {
    int score;
    __vxStrStore(STRA(_aHiName, i), _fleft(_freadline(file), kNameLength));
    score = __vxStrToInt(_freadline(file));
    *at1(&_aHiScore, i) = score < 0 ? 0 : score;
  }
  _fclosefile(file);
  for (i = 1; i < kTableSize; ++i) /* insertion sort, highest first */
    for (j = i; j > 0 && *at1(&_aHiScore, j) > *at1(&_aHiScore, j - 1); --j) {
      int s = *at1(&_aHiScore, j);
      vxStr* n = __vxStrLoad(STRA(_aHiName, j));
      *at1(&_aHiScore, j) = *at1(&_aHiScore, j - 1);
      __vxStrStore(STRA(_aHiName, j), __vxStrLoad(STRA(_aHiName, j - 1)));
      *at1(&_aHiScore, j - 1) = s;
      __vxStrStore(STRA(_aHiName, j - 1), n);
    }
}

static void saveScores(void) {
  int file, i;
  if (foreignFile) return;
  file = _fwritefile(__vxStrLoad(&gScoreFile));
  if (!file) {
    _fdebuglog(__vxStrConcat(S("Could not write the high scores to "), __vxStrLoad(&gScoreFile)));
    return;
  }
  _fwriteline(file, S(kScoreHeader));
  for (i = 0; i < kTableSize; ++i) {
    _fwriteline(file, __vxStrLoad(STRA(_aHiName, i)));
    _fwriteline(file, __vxStrFromInt(*at1(&_aHiScore, i)));
  }
  _fclosefile(file);
}

static void drawScoreTable(int top, int highlight) {
  int i;
  _fsetfont(gFontMid);
  _fcolor(255, 210, 90);
  _ftext(kWidth / 2, top, S("HIGH SCORES"), 1, 0);
  for (i = 0; i < kTableSize; ++i) {
    int y = top + 30 + i * 24;
    if (i == highlight && (gFrame / 8) % 2) _fcolor(120, 255, 160);
    else _fcolor(220, 220, 240);
    _ftext(190, y, __vxStrConcat(__vxStrFromInt(i + 1), S(".")), 0, 0);
    _ftext(230, y, __vxStrLoad(STRA(_aHiName, i)), 0, 0);
    textRight(450, y, __vxStrFromInt(*at1(&_aHiScore, i)));
  }
}

void titleFrame(void) {
  int i, line;
  float bob = _fsin(gFrame * 3.0f) * 8.0f;
  moveStars(0.5f);
  _fcls();
  drawStars();
  for (i = 0; i < 4; ++i) { /* rocks tumbling past on both sides */
    int x = i < 2 ? 70 + i * 40 : kWidth - 110 + (i - 2) * 40;
    int y = (gFrame * (i + 1) + i * 130) % (kHeight + 80) - 40;
    int turn = (gFrame / (3 + i)) % kAngles;
    _fdrawimage(*at2(&_aRockImage, i % 2, i % 2 ? kAngles - 1 - turn : turn), x, y, i);
  }
  _fdrawimage(gTitleShipImg, kWidth / 2, 150 + (int)bob, (gFrame / 4) % 4);

  _fsetfont(gFontBig);
  _fcolor(30, 20, 60);
  _ftext(kWidth / 2 + 3, 43, S("KORVA ROCKS"), 1, 1);
  _fcolor(160 + (int)(_fsin(gFrame * 4.0f) * 90.0f), 200, 255);
  _ftext(kWidth / 2, 40, S("KORVA ROCKS"), 1, 1);

  drawScoreTable(215, -1);

  _fsetfont(gFontSmall);
  _fcolor(170, 180, 210);
  __vxRestore(&__DATA[DATA_HELP]);
  for (line = 0;; ++line) {
    vxStr* text = __vxReadStr();
    if (_flen(__vxStrLoad(&text)) == 0) {
      __vxStrRelease(text);
      break;
    }
    _ftext(kWidth / 2, 385 + line * 20, text, 1, 0);
  }
  if ((gFrame / 20) % 2) {
    _fcolor(255, 255, 255);
    _ftext(kWidth / 2, 452, S("Press Space, click or press fire to start"), 1, 0);
  }

  if (_fkeyhit(kEsc)) _fend();
  if (_fkeyhit(kSpace) || _fkeyhit(kEnter) || _fmousehit(1) || _fjoyhit(1, 0)) startGame();
}

void startGameOver(void) {
  int i;
  gState = kGameOver;
  overFrames = 0;
  rank = -1;
  for (i = kTableSize - 1; i >= 0; --i)
    if (gScore > *at1(&_aHiScore, i)) rank = i;
  entering = rank >= 0;
  __vxStrStore(&gName, S(""));
  _fflushkeys();
  _fflushmouse();
  _fflushjoy();
}

/* Puts the player's name and score in at their rank and writes the file. */
static void enterScore(void) {
  int i;
  if (_flen(__vxStrLoad(&gName)) == 0) __vxStrStore(&gName, S("PLAYER"));
  for (i = kTableSize - 1; i > rank; --i) {
    *at1(&_aHiScore, i) = *at1(&_aHiScore, i - 1);
    __vxStrStore(STRA(_aHiName, i), __vxStrLoad(STRA(_aHiName, i - 1)));
  }
  *at1(&_aHiScore, rank) = gScore;
  __vxStrStore(STRA(_aHiName, rank), __vxStrLoad(&gName));
  saveScores();
  entering = 0;
  overFrames = 0;
}

/* Typed keys edit the name; Enter, a click or fire takes it, and so does waiting. */
static void editName(void) {
  int key;
  while ((key = _fgetkey()) != 0) {
    int length = _flen(__vxStrLoad(&gName));
    if (key == 13) {
      enterScore();
      return;
    }
    if (key == 8 && length > 0) __vxStrStore(&gName, _fleft(__vxStrLoad(&gName), length - 1));
    else if (key > 32 && key < 127 && length < kNameLength)
      __vxStrStore(&gName, __vxStrConcat(__vxStrLoad(&gName), _fupper(_fchr(key))));
  }
  if ((overFrames > kHz && (_fmousehit(1) || _fjoyhit(1, 0))) || overFrames > 30 * kHz) enterScore();
}

void gameOverFrame(void) {
  ++overFrames;
  moveStars(0.3f);
  _fcls();
  drawStars();
  _fsetfont(gFontBig);
  _fcolor(255, 90, 70);
  _ftext(kWidth / 2, 70, S("GAME OVER"), 1, 1);
  _fsetfont(gFontMid);
  _fcolor(255, 255, 255);
  _ftext(kWidth / 2, 125, __vxStrConcat(S("SCORE "), __vxStrFromInt(gScore)), 1, 1);
  if (entering) {
    editName();
    _fcolor(120, 255, 160);
    _ftext(kWidth / 2, 165, S("A new high score! Type your name:"), 1, 1);
    _fcolor(255, 255, 255);
    _ftext(kWidth / 2, 195, cat3(__vxStrLoad(&gName), S((gFrame / 15) % 2 ? "_" : " "), S("")), 1, 1);
  } else {
    drawScoreTable(170, rank);
    _fsetfont(gFontSmall);
    _fcolor(170, 180, 210);
    _ftext(kWidth / 2, 340, __vxStrConcat(S("High scores are kept in "), __vxStrLoad(&gScoreFile)), 1, 0);
    if (overFrames > 5 * kHz || (overFrames > kHz && (_fkeyhit(kSpace) || _fkeyhit(kEnter) || _fkeyhit(kEsc) ||
                                                       _fmousehit(1) || _fjoyhit(1, 0)))) {
      _fflushkeys();
      gState = kTitle;
    }
  }
}
