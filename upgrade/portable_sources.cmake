# Pure C++20, no I/O and no threads: built natively and for WebAssembly.
target_sources(gimbalportable PRIVATE
  upgrade/BlockAnswer.cpp
  upgrade/BootLoader.cpp
  upgrade/FirmwareFile.cpp
  upgrade/UpgradeProgress.cpp
  upgrade/UpgradeRequest.cpp
  upgrade/UpgradeSupervisor.cpp
)
