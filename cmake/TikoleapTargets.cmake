# Warnings are errors for our own code only.
set(TIKOLEAP_WARNINGS -Wall -Wextra -Wpedantic -Werror -Wno-unused-parameter)
# GCC 12, optimising, reports overlapping copies inside the standard library's own string
# concatenation ("a" + std::string(...)) once it inlines it; the report is about no code of ours,
# fires on new code every week, and is gone in GCC 13. Every build type has to build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND TIKOLEAP_WARNINGS -Wno-restrict)
endif()

# tikoleap_library(<name> [SHARED] DEPS <targets...> [EXCLUDE <regex>])
# One library per layout folder, static unless SHARED, built from every .cpp below the calling
# folder (except those whose path matches EXCLUDE). Shared ones land in build/lib.
function(tikoleap_library name)
  cmake_parse_arguments(ARG "SHARED" "EXCLUDE" "DEPS" ${ARGN})
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(ARG_EXCLUDE)
    list(FILTER _srcs EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  if(ARG_SHARED)
    add_library(${name} SHARED ${_srcs})
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
  else()
    add_library(${name} STATIC ${_srcs})
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${TIKOLEAP_WARNINGS} ${TIKOLEAP_FP_FLAGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  tikoleap_pch(${name})
  # The shell, the game core and the screens call each other; one more pass over the cycle on the
  # link line lets an object pulled in late (a screen that names the game's app core) still find
  # what it needs.
  set_property(TARGET ${name} PROPERTY LINK_INTERFACE_MULTIPLICITY 3)
endfunction()

function(tikoleap_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${TIKOLEAP_WARNINGS} ${TIKOLEAP_FP_FLAGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  tikoleap_pch(${name})
endfunction()

# tikoleap_generator(<target> <tool> <comment>)
# A target built by default that runs a generator into the resources folder whenever the
# generator changes.
function(tikoleap_generator target tool comment)
  set(_stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp)
  add_custom_command(
    OUTPUT ${_stamp}
    COMMAND $<TARGET_FILE:${tool}> ${TIKOLEAP_RESOURCES_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
    DEPENDS ${tool}
    COMMENT "${comment} into ${TIKOLEAP_RESOURCES_DIR}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${_stamp})
endfunction()

# tikoleap_pch(<target> [TESTS])
# The sanitizer builds compile the standard library's and the JSON library's headers (and, for
# tests, the test framework's) once a tree instead of once a unit: those builds spend most of
# their time in the front end, and this takes about a third off. One header is compiled for the
# static code, one for the shared libraries (position-independent) and one for the tests, each in
# a target of its own, and every other target reuses it: a header made once a target cost a minute
# and a gigabyte a tree. Reuse needs the same language options as the donor, so every target that
# takes one compiles with threads and the replay's floating-point flags. The default build
# precompiles the tests' header only: every test unit includes the test framework's and the JSON
# library's headers, and reading them once a tree takes about a seventh off each unit's time (ten
# of them, each compiled alone: 89 s against 105 s). The game's, the component's and the tools'
# units are compiled without, so an include one of them forgot still fails there.
function(tikoleap_pch target)
  get_target_property(_sources ${target} SOURCES)
  list(LENGTH _sources _count)
  # A header compiled for two or three units costs more than it saves.
  if((NOT TIKOLEAP_PCH AND NOT "TESTS" IN_LIST ARGN) OR _count LESS 4)
    return()
  endif()
  get_target_property(_type ${target} TYPE)
  if("TESTS" IN_LIST ARGN)
    set(_donor tikoleap_pch_tests)
  elseif(_type STREQUAL "SHARED_LIBRARY" OR _type STREQUAL "MODULE_LIBRARY")
    set(_donor tikoleap_pch_shared)
  else()
    set(_donor tikoleap_pch_static)
  endif()
  if(NOT TARGET ${_donor})
    tikoleap_pch_donor(${_donor} ${ARGN})
  endif()
  target_compile_options(${target} PRIVATE ${TIKOLEAP_WARNINGS} ${TIKOLEAP_FP_FLAGS} -pthread)
  target_precompile_headers(${target} REUSE_FROM ${_donor})
endfunction()

# The target that compiles one precompiled header, from an empty unit, with the options of those
# that reuse it (the test framework's definitions included).
function(tikoleap_pch_donor donor)
  set(_unit ${CMAKE_BINARY_DIR}/pch/${donor}.cpp)
  if(NOT EXISTS ${_unit})
    file(WRITE ${_unit} "")
  endif()
  # Static even for the shared libraries' header: a shared library defines <name>_EXPORTS, which
  # GCC would find missing in each library that reuses it.
  add_library(${donor} STATIC ${_unit})
  if(donor STREQUAL "tikoleap_pch_shared")
    set_target_properties(${donor} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
  target_compile_options(${donor} PRIVATE ${TIKOLEAP_WARNINGS} ${TIKOLEAP_FP_FLAGS} -pthread)
  target_link_libraries(${donor} PRIVATE nlohmann_json::nlohmann_json)
  set(_headers <algorithm> <functional> <map> <memory> <optional> <string> <vector> <nlohmann/json.hpp>)
  if("TESTS" IN_LIST ARGN)
    target_link_libraries(${donor} PRIVATE GTest::gtest GTest::gmock)
    list(APPEND _headers <gtest/gtest.h> <gmock/gmock.h>)
  endif()
  target_precompile_headers(${donor} PRIVATE ${_headers})
endfunction()
