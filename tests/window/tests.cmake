gimbal_add_test(window_tests LABEL window
  SOURCES window/StartupTest.cpp window/PortSelectionTest.cpp window/HelpPanelTest.cpp
          window/DesktopTest.cpp
  LIBS qttestmain)
