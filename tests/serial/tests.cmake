gimbal_add_test(serial_tests LABEL serial
  SOURCES serial/DeviceLookupTest.cpp
  LIBS coretestmain)
