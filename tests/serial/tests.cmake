gimbal_add_test(serial_tests LABEL serial
  SOURCES
    serial/DeviceLookupTest.cpp
    serial/PortRegistryTest.cpp
    serial/SerialLineTest.cpp
    serial/SerialDataTest.cpp
    serial/HangUpTest.cpp
    serial/SessionEndTest.cpp
    serial/OpenFailureTest.cpp
  LIBS coretestmain)
