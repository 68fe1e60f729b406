gimbal_add_test(protocol_tests LABEL protocol
  SOURCES protocol/FrameTest.cpp protocol/ParserTest.cpp protocol/SimulatorTest.cpp
          protocol/LinkSessionTest.cpp upgrade/FirmwareFiles.cpp
  LIBS coretestmain)
