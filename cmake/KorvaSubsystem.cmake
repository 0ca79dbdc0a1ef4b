# korva_subsystem(): the sources of the calling folder (and its sub-folders) become the
# object library korva_<folder>, part of libkorva.so and of korva_static. SKIP regex leaves
# out the sources it matches; the other arguments are compile options.
function(korva_subsystem)
  cmake_parse_arguments(S "" "SKIP" "" ${ARGN})
  get_filename_component(name ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  list(FILTER sources EXCLUDE REGEX "/app/main\\.cpp$")
  if(S_SKIP)
    list(FILTER sources EXCLUDE REGEX "${S_SKIP}")
  endif()
  if(NOT sources)
    return()
  endif()
  add_library(korva_${name} OBJECT ${sources})
  # A cold build parses each header once per batch instead of once per file: about half
  # the compile time of a fresh machine's first build.
  set_target_properties(korva_${name} PROPERTIES UNITY_BUILD ${KORVA_UNITY} UNITY_BUILD_BATCH_SIZE 8)
  target_include_directories(korva_${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
  target_link_libraries(korva_${name} PRIVATE ${KORVA_LIBS})
  if(S_UNPARSED_ARGUMENTS)
    target_compile_options(korva_${name} PRIVATE ${S_UNPARSED_ARGUMENTS})
  endif()
endfunction()
