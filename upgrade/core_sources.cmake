target_sources(gimbalcore PRIVATE
  upgrade/BlockTransfer.cpp
  upgrade/FirmwareFile.cpp
  upgrade/UpgradeRequest.cpp
  upgrade/UpgradeSupervisor.cpp
)
