gimbal_add_test(window_tests LABEL window
  SOURCES window/StartupTest.cpp window/PortSelectionTest.cpp window/HelpPanelTest.cpp
          window/DesktopTest.cpp window/ReleaseListTest.cpp window/TranslationTest.cpp
          window/BootLoaderWindowTest.cpp upgrade/FirmwareFiles.cpp
  LIBS qttestmain)
if(TARGET window_tests)
  target_compile_definitions(window_tests PRIVATE
    GIMBAL_TRANSLATIONS_DIR="${CMAKE_BINARY_DIR}/translations")
  if(TARGET translations)
    add_dependencies(window_tests translations)
  endif()
endif()

if(GIMBAL_BUILD_APP)
  add_test(NAME window.no_display
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/no-display.sh $<TARGET_FILE:gimbal-tool>)
  set_tests_properties(window.no_display PROPERTIES LABELS window TIMEOUT 60)
endif()
