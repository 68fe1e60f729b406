# Releases on Linux: fetching (libcurl), Ed25519 and SHA-256 (libcrypto), the
# trusted keys' folders and the cache, around the portable rules.
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_sources(gimbalcore PRIVATE
  releases/Crypto.cpp
  releases/Fetch.cpp
  releases/ReleaseCache.cpp
  releases/ReleaseSource.cpp
  releases/TrustedKeys.cpp
)
target_link_libraries(gimbalcore PUBLIC CURL::libcurl OpenSSL::Crypto)

# The keys built into the programs: releases/keys/*.pub, and the maker's
# given to the build (-DGIMBAL_MAKER_KEYS=/path/maker.pub;...).
set(GIMBAL_MAKER_KEYS "" CACHE STRING "Release public keys (signify .pub files) to build in")
file(GLOB built_in_keys CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/keys/*.pub)
list(APPEND built_in_keys ${GIMBAL_MAKER_KEYS})
set(BUILT_IN_KEYS "")
foreach(key IN LISTS built_in_keys)
  file(READ ${key} text)
  string(APPEND BUILT_IN_KEYS "    R\"signify(${text})signify\",\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${key})
endforeach()
list(LENGTH built_in_keys BUILT_IN_KEY_COUNT)
configure_file(${CMAKE_CURRENT_LIST_DIR}/BuiltInKeys.h.in
               ${CMAKE_BINARY_DIR}/generated/releases/BuiltInKeys.h @ONLY)
target_include_directories(gimbalcore PRIVATE ${CMAKE_BINARY_DIR}/generated)
