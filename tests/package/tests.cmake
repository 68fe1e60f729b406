# The Debian package, made with cpack from this build tree, then inspected,
# unpacked and run. gimbalctl is expected in it once that program exists.
# Sanitizer builds are never packaged: they go without the hardening checked.
if(GIMBAL_BUILD_APP AND NOT GIMBAL_SANITIZE)
  add_test(NAME package_deb
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/check-package.sh
            ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${GIMBAL_APP_ID}
            gimbal-tool gimbal-sim $<$<TARGET_EXISTS:gimbalctl>:gimbalctl>)
  set_tests_properties(package_deb PROPERTIES LABELS package TIMEOUT 120 ENVIRONMENT LANGUAGE=en)
endif()

# Each set of scripts/setup-deps.sh, installed in simulation on a base Debian,
# brings the files its purpose uses.
add_test(NAME package.setup_sets COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/package/setup_sets.py)
set_tests_properties(package.setup_sets PROPERTIES LABELS package SKIP_RETURN_CODE 77 TIMEOUT 300)

# The German and Chinese catalogues hold every text of the code, each translated,
# and gimbalctl shows none untranslated (tools/check-translations.py names them).
add_test(NAME package.translations
  COMMAND /usr/bin/python3 ${PROJECT_SOURCE_DIR}/tools/check-translations.py ${PROJECT_SOURCE_DIR}
          --program $<TARGET_FILE:gimbalctl>)
set_tests_properties(package.translations PROPERTIES LABELS package TIMEOUT 120)

# scripts/as-owner.sh for a checkout of a user with no passwd entry (run as root).
add_test(NAME package.as_owner COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/as-owner-test.sh)
set_tests_properties(package.as_owner PROPERTIES LABELS package SKIP_RETURN_CODE 77)

# scripts/no-leftovers.sh, which ends test.sh, finds a process, a mount and a
# file left behind.
add_test(NAME package.no_leftovers COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/package/no-leftovers-test.sh)
set_tests_properties(package.no_leftovers PROPERTIES LABELS package TIMEOUT 60)
