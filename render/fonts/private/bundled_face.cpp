// The compiled-in face: the font file's bytes placed in the read-only data by the
// assembler, so the run-time needs no file of its own at run time. Its licence goes with it.
#include "render/fonts/font.h"
#include "render/fonts/private/face_source.h"

#ifndef KORVA_BUNDLED_FONT
#error "KORVA_BUNDLED_FONT must name the font file to compile in"
#endif
#ifndef KORVA_BUNDLED_FONT_LICENCE
#error "KORVA_BUNDLED_FONT_LICENCE must name the font's licence file"
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
    ".globl korva_bundled_licence_begin\n"
    ".hidden korva_bundled_licence_begin\n"
    "korva_bundled_licence_begin:\n"
    ".incbin \"" KORVA_BUNDLED_FONT_LICENCE "\"\n"
    ".globl korva_bundled_licence_end\n"
    ".hidden korva_bundled_licence_end\n"
    "korva_bundled_licence_end:\n"
    ".previous\n");

extern "C" const uint8_t korva_bundled_face_begin[];
extern "C" const uint8_t korva_bundled_face_end[];
extern "C" const char korva_bundled_licence_begin[];
extern "C" const char korva_bundled_licence_end[];

namespace korva::fonts {

std::span<const uint8_t> bundledFace() {
  return {korva_bundled_face_begin, static_cast<size_t>(korva_bundled_face_end - korva_bundled_face_begin)};
}

}  // namespace korva::fonts

namespace korva {

std::span<const uint8_t> defaultFontFace() { return fonts::bundledFace(); }

std::string_view defaultFontLicence() {
  return {korva_bundled_licence_begin, static_cast<size_t>(korva_bundled_licence_end - korva_bundled_licence_begin)};
}

}  // namespace korva
