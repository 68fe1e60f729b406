# Releases on Linux: fetching (libcurl), Ed25519 and SHA-256 (libcrypto), the
# trusted keys' folders and the cache, around the portable rules.
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
include(GNUInstallDirs)
target_sources(gimbalcore PRIVATE
  releases/ReleaseCache.cpp
  releases/ReleaseSource.cpp
  releases/ReleasesLoader.cpp
  releases/TrustedKeys.cpp
)
target_link_libraries(gimbalcore PUBLIC ${CMAKE_DL_LIBS})

# Fetching and the checks' cryptography (libcurl, libcrypto and all they
# bring) are a library of their own, opened the first time a program needs
# them (ReleasesLoader.cpp): beside the programs in the build tree, in a
# folder of the package's own when installed (packaging/CMakeLists.txt),
# found relative to the program either way.
add_library(gimbal-releases MODULE releases/Crypto.cpp releases/Fetch.cpp
            releases/ReleasesLibrary.cpp)
target_include_directories(gimbal-releases PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(gimbal-releases PRIVATE CURL::libcurl OpenSSL::Crypto)
set_target_properties(gimbal-releases PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON AUTOMOC OFF AUTOUIC OFF)
# The architecture's own folder (lib/x86_64-linux-gnu/gimbal-tool), where a
# package's private library goes and no ldconfig is called for it.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(GIMBAL_RELEASES_INSTALL_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/gimbal-tool)
else()
  set(GIMBAL_RELEASES_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/gimbal-tool)
endif()
file(RELATIVE_PATH releases_library_dir ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${GIMBAL_RELEASES_INSTALL_DIR})
set_property(SOURCE releases/ReleasesLoader.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             GIMBAL_RELEASES_LIBRARY_DIR="${releases_library_dir}")
# Whatever fetches needs the library built.
add_dependencies(gimbalcore gimbal-releases)
if(GIMBAL_BUILD_TESTS)
  # The test programs (build/tests) fetch as the programs do: a copy beside them.
  add_custom_command(TARGET gimbal-releases POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:gimbal-releases> ${CMAKE_BINARY_DIR}/tests/)
endif()

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
