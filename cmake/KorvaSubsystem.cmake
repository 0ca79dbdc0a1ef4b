# korva_subsystem(): the sources of the calling folder (and its sub-folders) become the
# object library korva_<folder>, part of libkorva.so and of korva_static.
function(korva_subsystem)
  get_filename_component(name ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  list(FILTER sources EXCLUDE REGEX "/app/main\\.cpp$")
  if(NOT sources)
    return()
  endif()
  add_library(korva_${name} OBJECT ${sources})
  # A cold build parses each header once per batch instead of once per file: about half
  # the compile time of a fresh machine's first build.
  set_target_properties(korva_${name} PROPERTIES UNITY_BUILD ${KORVA_UNITY} UNITY_BUILD_BATCH_SIZE 8)
  target_include_directories(korva_${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
  target_link_libraries(korva_${name} PRIVATE ${KORVA_LIBS})
  if(ARGN)
    target_compile_options(korva_${name} PRIVATE ${ARGN})
  endif()
endfunction()
