# Compiled test programs: C (or assembly) built for 32-bit x86 and turned into module images
# by tools/elf2image. korva_guest_program(NAME src...) makes ${CMAKE_BINARY_DIR}/programs/NAME.kbm.
set(KORVA_GUEST_CFLAGS -m32 -ffreestanding -fno-pic -fno-stack-protector -mno-sse -fno-common
    -fno-asynchronous-unwind-tables -O2 -Wall -I${CMAKE_SOURCE_DIR}/tests/programs -I${CMAKE_SOURCE_DIR}/include)
set(KORVA_PROGRAMS_DIR ${CMAKE_BINARY_DIR}/programs)
add_custom_target(korva_programs ALL)

function(korva_guest_program name)
  cmake_parse_arguments(P "" "" "CFLAGS;DEPENDS" ${ARGN})
  set(objects "")
  foreach(src ${P_UNPARSED_ARGUMENTS})
    get_filename_component(abs ${src} ABSOLUTE)
    get_filename_component(base ${src} NAME_WE)
    set(obj ${KORVA_PROGRAMS_DIR}/${name}.${base}.o)
    add_custom_command(OUTPUT ${obj}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVA_PROGRAMS_DIR}
      COMMAND gcc ${KORVA_GUEST_CFLAGS} ${P_CFLAGS} -c ${abs} -o ${obj}
      DEPENDS ${abs} ${CMAKE_SOURCE_DIR}/tests/programs/korva_guest.h
              ${CMAKE_SOURCE_DIR}/include/korva/guest/commands.h ${P_DEPENDS}
      COMMENT "Compiling guest ${name}: ${base}" VERBATIM)
    list(APPEND objects ${obj})
  endforeach()
  list(LENGTH objects count)
  if(count GREATER 1)
    set(merged ${KORVA_PROGRAMS_DIR}/${name}.o)
    add_custom_command(OUTPUT ${merged} COMMAND ld -m elf_i386 -r ${objects} -o ${merged}
      DEPENDS ${objects} VERBATIM)
  else()
    set(merged ${objects})
  endif()
  set(image ${KORVA_PROGRAMS_DIR}/${name}.kbm)
  add_custom_command(OUTPUT ${image}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:elf2image> ${merged} -o ${image}
    DEPENDS ${merged} elf2image COMMENT "Module image ${name}.kbm" VERBATIM)
  add_custom_target(program_${name} DEPENDS ${image})
  add_dependencies(korva_programs program_${name})
endfunction()
