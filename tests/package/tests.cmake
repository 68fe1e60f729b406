# The Debian package, made with cpack from this build tree, then inspected,
# unpacked and run. gimbalctl is expected in it once that program exists.
# Sanitizer builds are never packaged: they go without the hardening checked.
if(GIMBAL_BUILD_APP AND NOT GIMBAL_SANITIZE)
  add_test(NAME package_deb
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/check-package.sh
            ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${GIMBAL_APP_ID}
            gimbal-tool gimbal-sim $<$<TARGET_EXISTS:gimbalctl>:gimbalctl>)
  set_tests_properties(package_deb PROPERTIES LABELS package TIMEOUT 120)
endif()
