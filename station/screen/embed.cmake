# cmake -DOUT=FILE.cpp -DFILES="a;b;..." -P embed.cmake: writes the screen's
# files into gimbalctl as byte arrays, each served as /NAME with the type its
# extension names. The output is rewritten only when it changes.
set(arrays "")
set(table "")
set(k 0)
foreach(file IN LISTS FILES)
  get_filename_component(name ${file} NAME)
  get_filename_component(extension ${file} LAST_EXT)
  if(extension STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(extension STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(extension STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(extension STREQUAL ".svg")
    set(type "image/svg+xml")
  else()
    message(FATAL_ERROR "${file}: no type known for ${extension}")
  endif()
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char file${k}[] = {${bytes}};\n")
  string(APPEND table "    {\"/${name}\", \"${type}\", {file${k}, sizeof file${k}}},\n")
  math(EXPR k "${k} + 1")
endforeach()
file(WRITE ${OUT}.new "// Made by station/screen/embed.cmake from the screen's files.
#include \"station/screen/ScreenFiles.h\"

namespace gimbalctl {
namespace {
${arrays}
const ScreenFile files[] = {
${table}};
}  // namespace

std::span<const ScreenFile> screenFiles() { return files; }

}  // namespace gimbalctl
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
