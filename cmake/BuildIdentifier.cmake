# Writes the build identifier (40 lower-case hex digits) into OUT when it changed: the commit the
# build is made from, or, outside a git checkout, a digest of the source folder and the version.
execute_process(COMMAND git rev-parse HEAD WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE _id OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT _id MATCHES "^[0-9a-f]+$")
  string(SHA1 _id "${SOURCE_DIR} ${VERSION}")
endif()
string(LENGTH "${_id}" _len)
if(NOT _len EQUAL 40)
  string(SHA1 _id "${_id}")
endif()
set(_text "// Written by cmake/BuildIdentifier.cmake at build time.\n#include \"ads/core/DZBuildIdentifier.h\"\nconst char* const kDZBuildIdentifier = \"${_id}\";\n")
file(WRITE ${OUT}.tmp "${_text}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUT}.tmp ${OUT})
file(REMOVE ${OUT}.tmp)
