# Test fixtures that are resource-only DLLs: a resource script compiled with
# windres and linked with the do-nothing entry point tests/fixtures/entry.c.
# Both builds use the 32-bit MinGW tools: a fixture is read, never loaded,
# and so it is the same file whichever build made it.
find_program(CORVANTA_FIXTURE_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)
find_program(CORVANTA_FIXTURE_CC NAMES i686-w64-mingw32-gcc-posix i686-w64-mingw32-gcc REQUIRED)

# corvanta_fixture_dll(LIST_VAR DIR NAME [RC script] [DEPENDS file...]):
# links DIR/NAME.dll from the script, or from the entry point alone when no
# script is given, and appends its path to LIST_VAR.
function(corvanta_fixture_dll list_var dir name)
  cmake_parse_arguments(ARG "" "RC" "DEPENDS" ${ARGN})
  set(entry ${CMAKE_SOURCE_DIR}/tests/fixtures/entry.c)
  set(dll ${dir}/${name}.dll)
  file(MAKE_DIRECTORY ${dir})
  if(ARG_RC)
    set(compile COMMAND ${CORVANTA_FIXTURE_WINDRES} -c 1252 ${ARG_RC} -O coff -o ${name}.res.o)
    set(objects ${name}.res.o)
  else()
    set(compile)
    set(objects)
  endif()
  add_custom_command(OUTPUT ${dll}
    ${compile}
    COMMAND ${CORVANTA_FIXTURE_CC} -shared -nostdlib -s -o ${name}.dll ${objects} ${entry}
    DEPENDS ${ARG_RC} ${entry} ${ARG_DEPENDS}
    WORKING_DIRECTORY ${dir}
    COMMENT "Linking fixture ${name}.dll")
  set(${list_var} ${${list_var}} ${dll} PARENT_SCOPE)
endfunction()

# corvanta_fixture_dir_header(HEADER MACRO DIR): writes HEADER defining MACRO
# as the path a test program finds DIR by (a Z: path under Wine).
function(corvanta_fixture_dir_header header macro dir)
  if(CORVANTA_WINDOWS)
    string(REPLACE "/" "\\\\" dir "Z:${dir}")
  endif()
  file(WRITE ${header} "#pragma once\n#define ${macro} \"${dir}\"\n")
endfunction()
