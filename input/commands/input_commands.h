// The input module's commands, as compiled programs call them.
#pragma once
#include <cstdint>

namespace korva::input {

int32_t KeyDown(int32_t key);
int32_t KeyHit(int32_t key);
int32_t GetKey();
int32_t WaitKey();
void FlushKeys();
int32_t MouseDown(int32_t button);
int32_t MouseHit(int32_t button);
int32_t GetMouse();
int32_t WaitMouse();
int32_t MouseX();
int32_t MouseY();
int32_t MouseXSpeed();
int32_t MouseYSpeed();
void FlushMouse();
void MoveMouse(int32_t x, int32_t y);
int32_t JoyType(int32_t port);
int32_t JoyDown(int32_t button, int32_t port);
int32_t JoyHit(int32_t button, int32_t port);
int32_t GetJoy(int32_t port);
int32_t WaitJoy(int32_t port);
float JoyX(int32_t port);
float JoyY(int32_t port);
float JoyZ(int32_t port);
int32_t JoyXDir(int32_t port);
int32_t JoyYDir(int32_t port);
int32_t JoyZDir(int32_t port);
void FlushJoy();

// -1, 0 or 1: beyond a third of the way from the centre counts as a direction.
int32_t axisDirection(float value);

}  // namespace korva::input
