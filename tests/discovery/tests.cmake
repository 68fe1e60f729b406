gimbal_add_test(discovery_tests LABEL discovery
  SOURCES discovery/PortManagerTest.cpp discovery/NotificationCenterTest.cpp
          discovery/SystemSourcesTest.cpp
  LIBS coretestmain)
