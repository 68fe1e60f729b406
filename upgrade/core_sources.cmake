target_sources(gimbalcore PRIVATE
  upgrade/BlockTransfer.cpp
  upgrade/FirmwareFileReading.cpp
  upgrade/PortUpgradeLink.cpp
)
