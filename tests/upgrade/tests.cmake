gimbal_add_test(upgrade_core_tests LABEL upgrade
  SOURCES upgrade/FirmwareFiles.cpp upgrade/FirmwareFileTest.cpp upgrade/UpgradeProgressTest.cpp
          upgrade/UpgradeRequestTest.cpp upgrade/BlockTransferTest.cpp
  LIBS coretestmain)
