gimbal_add_test(window_tests LABEL window
  SOURCES window/StartupTest.cpp window/PortSelectionTest.cpp window/HelpPanelTest.cpp
          window/DesktopTest.cpp window/ReleaseListTest.cpp
  LIBS qttestmain)

if(GIMBAL_BUILD_APP)
  add_test(NAME window.no_display
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/no-display.sh $<TARGET_FILE:gimbal-tool>)
  set_tests_properties(window.no_display PROPERTIES LABELS window TIMEOUT 60)
endif()
