// The compiled-in face: the font file's bytes placed in the read-only data by the
// assembler, so the run-time needs no file of its own at run time.
#include "render/fonts/private/face_source.h"

#ifndef KORVA_BUNDLED_FONT
#error "KORVA_BUNDLED_FONT must name the font file to compile in"
#endif

asm(".section .rodata.korva_bundled_face,\"a\"\n"
    ".balign 16\n"
    ".globl korva_bundled_face_begin\n"
    ".hidden korva_bundled_face_begin\n"
    "korva_bundled_face_begin:\n"
    ".incbin \"" KORVA_BUNDLED_FONT "\"\n"
    ".globl korva_bundled_face_end\n"
    ".hidden korva_bundled_face_end\n"
    "korva_bundled_face_end:\n"
    ".previous\n");

extern "C" const uint8_t korva_bundled_face_begin[];
extern "C" const uint8_t korva_bundled_face_end[];

namespace korva::fonts {

std::span<const uint8_t> bundledFace() {
  return {korva_bundled_face_begin, static_cast<size_t>(korva_bundled_face_end - korva_bundled_face_begin)};
}

}  // namespace korva::fonts
