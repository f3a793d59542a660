# Generates the string table twice from resources/strings.tsv: a STRINGTABLE
# for windres and a C++ copy for the POSIX LoadString stand-in, so the two
# can never differ.
set(KESTREL_STRINGS_SOURCE ${CMAKE_SOURCE_DIR}/resources/strings.tsv)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KESTREL_STRINGS_SOURCE})
file(STRINGS ${KESTREL_STRINGS_SOURCE} kestrel_string_lines ENCODING UTF-8)

set(rc_rows "")
set(cpp_rows "")
foreach(line IN LISTS kestrel_string_lines)
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t(.*)$")
    message(FATAL_ERROR "strings.tsv: bad line '${line}'")
  endif()
  set(id ${CMAKE_MATCH_1})
  set(text "${CMAKE_MATCH_2}")
  if(NOT text MATCHES "^[ -~]*$")
    message(FATAL_ERROR "strings.tsv: id ${id} must be printable ASCII")
  endif()
  string(REPLACE "\\" "\\\\" escaped "${text}")
  string(REPLACE "\"" "\\\"" cpp_text "${escaped}")
  string(REPLACE "\"" "\"\"" rc_text "${escaped}")
  string(APPEND rc_rows "  ${id}, \"${rc_text}\"\n")
  string(APPEND cpp_rows "    {${id}, u\"${cpp_text}\"},\n")
endforeach()

set(KESTREL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${KESTREL_GENERATED_DIR}/string_table.rc CONTENT
"// Generated from resources/strings.tsv; do not edit.
LANGUAGE 0x11, 0x01
STRINGTABLE
BEGIN
${rc_rows}END
")
file(CONFIGURE OUTPUT ${KESTREL_GENERATED_DIR}/string_table.cpp CONTENT
"// Generated from resources/strings.tsv; do not edit.
#include \"posix/string_table.h\"

const PosixString posix_strings[] = {
${cpp_rows}};
const unsigned posix_string_count = sizeof posix_strings / sizeof posix_strings[0];
")
set(KESTREL_STRINGS_CPP ${KESTREL_GENERATED_DIR}/string_table.cpp)
