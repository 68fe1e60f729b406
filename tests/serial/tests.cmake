gimbal_add_test(serial_tests LABEL serial
  SOURCES
    serial/DeviceLookupTest.cpp
    serial/SerialLineTest.cpp
    serial/SerialDataTest.cpp
  LIBS coretestmain)
