/* A game in progress: the ship, its shots, the rocks, gems, explosions and score pop-ups. */
#include "game.h"

static vxObjHeader *rock, *shot, *gem, *boom, *popup, *made;
static float shipX, shipY;
static int invulnerable, cooldown, useMouse, waveRocksLeft;
static float waveSpeed;

static int rockImage(vxObjHeader* r) {
  int turn = (int)(FLTF(r, ROCK_ANGLE) * (kAngles / 360.0f));
  return *at2(&_aRockImage, INTF(r, ROCK_SIZE), ((turn % kAngles) + kAngles) % kAngles);
}

static void newRock(float x, float y, int size, float vx, float vy) {
  NEW(made, _tRock);
  FLTF(made, ROCK_X) = x;
  FLTF(made, ROCK_Y) = y;
  FLTF(made, ROCK_VX) = vx;
  FLTF(made, ROCK_VY) = vy;
  FLTF(made, ROCK_ANGLE) = _frnd(0, 360);
  FLTF(made, ROCK_SPIN) = _frnd(-3, 3);
  INTF(made, ROCK_SIZE) = size;
  INTF(made, ROCK_SHAPE) = _frand(0, 3);
}

static void newBoom(int x, int y, int big) {
  NEW(made, _tBoom);
  INTF(made, BOOM_X) = x;
  INTF(made, BOOM_Y) = y;
  INTF(made, BOOM_BIG) = big;
}

static void newPopup(float x, float y, int points) {
  NEW(made, _tPopup);
  FLTF(made, POPUP_X) = x;
  FLTF(made, POPUP_Y) = y;
  __vxStrStore(STRF(made, POPUP_TEXT), __vxStrConcat(S("+"), __vxStrFromInt(points)));
}

/* Plays a sound from where it happens on screen, a little off its pitch each time. */
static void playAt(int sound, float x, int rate) {
  int channel = _fplaysound(sound);
  if (!channel) return;
  _fchannelpan(channel, (x - kWidth / 2) / (kWidth / 2));
  if (rate) _fchannelpitch(channel, rate + _frand(-rate / 8, rate / 8));
}

/* Reads wave n (from 1) from DATA; waves past the table repeat the last, faster. */
static void startWave(int n) {
  int count = 0, big = 0, i, extra;
  float speed = 1;
  __vxRestore(&__DATA[DATA_WAVES]);
  for (i = 1; i <= n; ++i) {
    int next = __vxReadInt();
    if (!next) break;
    count = next;
    speed = __vxReadFloat();
    big = __vxReadInt();
  }
  extra = n - i + 1;  /* waves beyond the table */
  waveSpeed = speed + extra * 0.2f;
  waveRocksLeft = count;
  for (i = 0; i < count; ++i)
    newRock(_frnd(30, kWidth - 30), -20.0f - i * 40.0f, i < big, _frnd(-0.6f, 0.6f) * waveSpeed,
            _frnd(0.7f, 1.2f) * waveSpeed);
  gBanner = 2 * kHz;
}

void startGame(void) {
  __vxObjDeleteEach(&_tRock);
  __vxObjDeleteEach(&_tShot);
  __vxObjDeleteEach(&_tGem);
  __vxObjDeleteEach(&_tBoom);
  __vxObjDeleteEach(&_tPopup);
  gScore = 0;
  gLives = 3;
  gWave = 1;
  shipX = kWidth / 2;
  shipY = kHeight - 60;
  invulnerable = 2 * kHz;
  cooldown = 0;
  useMouse = 0;
  _fmousexspeed(); /* only movement from now on takes the ship to the mouse */
  _fmouseyspeed();
  _fflushkeys();
  _fflushmouse();
  _fflushjoy();
  startWave(gWave);
  gState = kPlaying;
}

static int shipFrame(void) { return (gFrame / 4) % 4; }

static void moveShip(void) {
  float dx = 0, dy = 0;
  if (_fkeydown(kLeft) || _fkeydown(kA)) dx -= 1;
  if (_fkeydown(kRight) || _fkeydown(kD)) dx += 1;
  if (_fkeydown(kUp) || _fkeydown(kW)) dy -= 1;
  if (_fkeydown(kDown) || _fkeydown(kS)) dy += 1;
  if (_fjoytype(0)) {
    float jx = _fjoyx(0), jy = _fjoyy(0);
    if (jx > 0.2f || jx < -0.2f) dx += jx;
    if (jy > 0.2f || jy < -0.2f) dy += jy;
  }
  if (dx != 0 || dy != 0) useMouse = 0;
  if (_fmousexspeed() || _fmouseyspeed()) useMouse = 1;
  if (useMouse) { /* glide towards the pointer */
    float tx = _fmousex() - shipX, ty = _fmousey() - shipY;
    dx = tx > 6 ? 1.2f : tx < -6 ? -1.2f : tx / 5;
    dy = ty > 6 ? 1.2f : ty < -6 ? -1.2f : ty / 5;
  }
  shipX += dx * 5;
  shipY += dy * 4;
  if (shipX < 16) shipX = 16;
  if (shipX > kWidth - 16) shipX = kWidth - 16;
  if (shipY < kHeight / 2) shipY = kHeight / 2;
  if (shipY > kHeight - 20) shipY = kHeight - 20;

  if (cooldown) --cooldown;
  if (!cooldown && (_fkeydown(kSpace) || _fkeydown(kCtrl) || _fmousedown(1) || _fjoydown(1, 0))) {
    NEW(made, _tShot);
    FLTF(made, SHOT_X) = shipX;
    FLTF(made, SHOT_Y) = shipY - 16;
    FLTF(made, SHOT_VY) = -9;
    cooldown = 9;
    playAt(gSndShot, shipX, 0);
  }
}

/* A shot or the ship broke rock r: score it, split it if big, maybe drop a gem. */
static void breakRock(vxObjHeader* r, int byShip) {
  float x = FLTF(r, ROCK_X), y = FLTF(r, ROCK_Y);
  int big = INTF(r, ROCK_SIZE), points = big ? 50 : 100;
  newBoom((int)x, (int)y, big);
  playAt(gSndBoom, x, big ? 17000 : 24000);
  if (!byShip) {
    gScore += points;
    newPopup(x, y, points);
  }
  if (big) {
    newRock(x - 8, y, 0, FLTF(r, ROCK_VX) - 1.2f, FLTF(r, ROCK_VY) * 0.8f);
    newRock(x + 8, y, 0, FLTF(r, ROCK_VX) + 1.2f, FLTF(r, ROCK_VY) * 0.8f);
    waveRocksLeft += 2;
  }
  if (_frand(1, 4) == 1) {
    NEW(made, _tGem);
    FLTF(made, GEM_X) = x;
    FLTF(made, GEM_Y) = y;
    FLTF(made, GEM_VY) = 1.5f;
  }
  __vxObjDelete(r);
  --waveRocksLeft;
}

static void moveRocks(void) {
  EACH(rock, _tRock) {
    FLTF(rock, ROCK_X) += FLTF(rock, ROCK_VX);
    FLTF(rock, ROCK_Y) += FLTF(rock, ROCK_VY);
    FLTF(rock, ROCK_ANGLE) += FLTF(rock, ROCK_SPIN);
    if (FLTF(rock, ROCK_X) < -30) FLTF(rock, ROCK_X) += kWidth + 60;
    if (FLTF(rock, ROCK_X) > kWidth + 30) FLTF(rock, ROCK_X) -= kWidth + 60;
    if (FLTF(rock, ROCK_Y) > kHeight + 40) FLTF(rock, ROCK_Y) = -40;
    if (!invulnerable && _fimagescollide(gShipImg, (int)shipX, (int)shipY, shipFrame(), rockImage(rock),
                                         (int)FLTF(rock, ROCK_X), (int)FLTF(rock, ROCK_Y), INTF(rock, ROCK_SHAPE))) {
      newBoom((int)shipX, (int)shipY, 1);
      breakRock(rock, 1);
      --gLives;
      invulnerable = 2 * kHz;
    }
  }
}

static void moveShots(void) {
  EACH(shot, _tShot) {
    FLTF(shot, SHOT_Y) += FLTF(shot, SHOT_VY);
    if (FLTF(shot, SHOT_Y) < -16) {
      __vxObjDelete(shot);
      continue;
    }
    EACH(rock, _tRock) {
      if (_fimagescollide(gShotImg, (int)FLTF(shot, SHOT_X), (int)FLTF(shot, SHOT_Y), 0, rockImage(rock),
                          (int)FLTF(rock, ROCK_X), (int)FLTF(rock, ROCK_Y), INTF(rock, ROCK_SHAPE))) {
        breakRock(rock, 0);
        __vxObjDelete(shot);
        break;
      }
    }
    __vxObjStore((void**)&rock, 0);
  }
}

static void moveGems(void) {
  EACH(gem, _tGem) {
    FLTF(gem, GEM_Y) += FLTF(gem, GEM_VY);
    ++INTF(gem, GEM_AGE);
    if (FLTF(gem, GEM_Y) > kHeight + 20) {
      __vxObjDelete(gem);
    } else if (_fimagescollide(gShipImg, (int)shipX, (int)shipY, shipFrame(), gGemImg, (int)FLTF(gem, GEM_X),
                               (int)FLTF(gem, GEM_Y), (INTF(gem, GEM_AGE) / 6) % 4)) {
      gScore += 250;
      newPopup(FLTF(gem, GEM_X), FLTF(gem, GEM_Y), 250);
      playAt(gSndGem, FLTF(gem, GEM_X), 0);
      __vxObjDelete(gem);
    }
  }
}

static void ageEffects(void) {
  EACH(boom, _tBoom) {
    if (++INTF(boom, BOOM_AGE) >= 8 * 4) __vxObjDelete(boom);
  }
  EACH(popup, _tPopup) {
    FLTF(popup, POPUP_Y) -= 0.7f;
    if (++INTF(popup, POPUP_AGE) >= 50) __vxObjDelete(popup);
  }
}

static void drawHud(void) {
  int i;
  _fsetfont(gFontMid);
  _fcolor(255, 255, 255);
  _ftext(12, 8, __vxStrConcat(S("SCORE "), __vxStrFromInt(gScore)), 0, 0);
  _fcolor(255, 210, 90);
  textRight(kWidth - 12, 8,
            __vxStrConcat(S("HIGH "), __vxStrFromInt(gScore > *at1(&_aHiScore, 0) ? gScore : *at1(&_aHiScore, 0))));
  for (i = 0; i < gLives; ++i) _fdrawimage(gLifeImg, 24 + i * 22, kHeight - 16, 0);
  if (gBanner) {
    --gBanner;
    _fsetfont(gFontBig);
    _fcolor(120 + (gBanner * 4) % 136, 200, 255);
    _ftext(kWidth / 2, kHeight / 2 - 40, __vxStrConcat(S("WAVE "), __vxStrFromInt(gWave)), 1, 1);
  }
}

static void drawPlay(void) {
  _fcls();
  drawStars();
  EACH(rock, _tRock) _fdrawimage(rockImage(rock), (int)FLTF(rock, ROCK_X), (int)FLTF(rock, ROCK_Y), INTF(rock, ROCK_SHAPE));
  EACH(gem, _tGem) _fdrawimage(gGemImg, (int)FLTF(gem, GEM_X), (int)FLTF(gem, GEM_Y), (INTF(gem, GEM_AGE) / 6) % 4);
  EACH(shot, _tShot) _fdrawimage(gShotImg, (int)FLTF(shot, SHOT_X), (int)FLTF(shot, SHOT_Y), (gFrame / 3) % 4);
  if (gLives > 0 && (!invulnerable || (invulnerable / 4) % 2)) _fdrawimage(gShipImg, (int)shipX, (int)shipY, shipFrame());
  EACH(boom, _tBoom) {
    _fdrawimage(INTF(boom, BOOM_BIG) ? gBigBoomImg : gBoomImg, INTF(boom, BOOM_X), INTF(boom, BOOM_Y), INTF(boom, BOOM_AGE) / 4);
  }
  _fsetfont(gFontSmall);
  EACH(popup, _tPopup) {
    _fcolor(255, 240 - INTF(popup, POPUP_AGE) * 2, 120);
    _ftext((int)FLTF(popup, POPUP_X), (int)FLTF(popup, POPUP_Y), __vxStrLoad(STRF(popup, POPUP_TEXT)), 1, 1);
  }
  drawHud();
}

void playFrame(void) {
  if (invulnerable) --invulnerable;
  moveStars(1.0f);
  moveShip();
  moveShots();
  moveRocks();
  moveGems();
  ageEffects();
  if (waveRocksLeft <= 0) startWave(++gWave);
  drawPlay();
  if (gLives <= 0 || _fkeyhit(kEsc)) startGameOver();
}
