# Writes a C++ source that holds the bytes of each translation catalogue
# (src/i18n/*.po), so that the library carries its catalogues and no file is
# looked up at run time. Run as a script:
#   cmake -DOUTPUT=<file.cpp> -DCATALOGUES=<a.po|b.po|...> -P embed_catalogues.cmake
# The bytes are written as character constants, which no compiler limits in
# length the way it may limit a string literal.
string(REPLACE "|" ";" catalogues "${CATALOGUES}")
set(body "")
set(table "")
set(index 0)
foreach(po IN LISTS catalogues)
  if(po STREQUAL "")
    continue()
  endif()
  get_filename_component(code "${po}" NAME_WE)
  file(READ "${po}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  # 16 bytes to a line; a trailing NUL keeps an empty file's array legal.
  string(REGEX REPLACE "(................................)"
         "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND body "// ${code}.po\nconst char kCatalogue${index}[] = {\n${bytes}'\\0'};\n\n")
  string(APPEND table "    {\"${code}\", std::string_view(kCatalogue${index}, ${size})},\n")
  math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
  set(table "    {\"\", std::string_view()},\n")
endif()
set(source "// Generated from src/i18n/*.po by cmake/embed_catalogues.cmake; edit the .po files.
#include \"i18n/embedded.hpp\"

namespace helisolv {

namespace {

${body}}  // namespace

const EmbeddedCatalogue kEmbeddedCatalogues[] = {
${table}};
const size_t kEmbeddedCatalogueCount = ${index};

}  // namespace helisolv
")
# Rewritten only when it changes, so that an unchanged catalogue rebuilds nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL source)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${source}")
