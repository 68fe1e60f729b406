target_sources(gimbalcore PRIVATE
  upgrade/BlockAnswer.cpp
  upgrade/BlockTransfer.cpp
  upgrade/FirmwareFile.cpp
  upgrade/FirmwareFileReading.cpp
  upgrade/PortUpgradeLink.cpp
  upgrade/UpgradeProgress.cpp
  upgrade/UpgradeRequest.cpp
  upgrade/UpgradeSupervisor.cpp
)
