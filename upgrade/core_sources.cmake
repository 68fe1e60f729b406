target_sources(gimbalcore PRIVATE
  upgrade/BlockTransfer.cpp
  upgrade/FirmwareFileReading.cpp
  upgrade/FirmwareStore.cpp
  upgrade/PortUpgradeLink.cpp
)
