gimbal_add_test(upgrade_core_tests LABEL upgrade
  SOURCES upgrade/FirmwareFiles.cpp upgrade/FirmwareFileTest.cpp upgrade/UpgradeProgressTest.cpp
          upgrade/UpgradeRequestTest.cpp upgrade/BlockTransferTest.cpp
          upgrade/ReleaseRulesTest.cpp upgrade/BootLoaderTest.cpp
  LIBS coretestmain)
if(GIMBAL_BUILD_APP)
  gimbal_add_test(upgrade_window_tests LABEL upgrade
    SOURCES upgrade/FirmwareFiles.cpp upgrade/UpgradeEndToEndTest.cpp
            upgrade/UpgradeFaultsTest.cpp upgrade/FileLoadingWindowTest.cpp
    LIBS qttestmain)
endif()
