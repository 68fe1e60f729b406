# Fails when a portable core source, or a project header it reaches through
# quoted includes, includes a header outside the allow-list: the core must
# build anywhere, so no threads, clocks to sleep on, files or system headers.
# cmake -DROOT=<source dir> -DSOURCES=<a;b;...> -P check-portable-includes.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed
  algorithm array bit bitset cassert cctype cerrno cfloat charconv cinttypes climits cmath
  compare concepts cstddef cstdint cstdlib cstring deque exception functional
  initializer_list iterator limits list map memory new numeric optional ranges set span
  stdexcept string string_view system_error tuple type_traits unordered_map unordered_set utility
  variant vector
  # header-only and free of I/O in the way the core uses it (the catalogue's parsing)
  nlohmann/json.hpp)

set(pending ${SOURCES})
set(seen "")
set(bad "")
while(pending)
  list(POP_FRONT pending file)
  if(file MATCHES "\\.rule$")  # CMake's record of a generated source's command
    continue()
  endif()
  if(NOT IS_ABSOLUTE ${file})
    set(file ${ROOT}/${file})
  endif()
  if(file IN_LIST seen)
    continue()
  endif()
  list(APPEND seen ${file})
  file(RELATIVE_PATH name ${ROOT} ${file})
  if(NOT EXISTS ${file})
    list(APPEND bad "${name}: not in the source tree")
    continue()
  endif()
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "<([^>]+)>")
      if(NOT CMAKE_MATCH_1 IN_LIST allowed)
        list(APPEND bad "${name}: <${CMAKE_MATCH_1}>")
      endif()
    elseif(line MATCHES "\"([^\"]+)\"")
      list(APPEND pending ${ROOT}/${CMAKE_MATCH_1})
    endif()
  endforeach()
endwhile()

if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "Headers not allowed in the portable core:\n  ${text}")
endif()
list(LENGTH seen count)
message(STATUS "${count} portable files include only allowed headers")
