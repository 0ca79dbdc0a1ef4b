// bmp2png IN.bmp OUT.png: converts a saved picture for viewers that do not read BMP.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bmp2png IN.bmp OUT.png\n");
    return 2;
  }
  SDL_Surface* picture = SDL_LoadBMP(argv[1]);
  if (!picture) {
    std::fprintf(stderr, "bmp2png: cannot read %s: %s\n", argv[1], SDL_GetError());
    return 1;
  }
  const int status = IMG_SavePNG(picture, argv[2]);
  SDL_FreeSurface(picture);
  if (status != 0) {
    std::fprintf(stderr, "bmp2png: cannot write %s: %s\n", argv[2], IMG_GetError());
    return 1;
  }
  return 0;
}
