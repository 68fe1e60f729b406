# Writes the site's trusted-keys.pub: the built-in release keys' .pub files
# one after another, which the page trusts for the maker's releases.
#   cmake -DOUT=site/trusted-keys.pub "-DKEYS=a.pub,b.pub" -P web/trusted-keys.cmake
file(WRITE ${OUT} "")
string(REPLACE "," ";" KEYS "${KEYS}")
foreach(key IN LISTS KEYS)
  if(NOT key)
    continue()
  endif()
  file(READ ${key} text)
  string(REGEX REPLACE "\n*$" "\n" text "${text}")
  file(APPEND ${OUT} "${text}")
endforeach()
