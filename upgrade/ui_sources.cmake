target_sources(gimbalui PRIVATE
  upgrade/FileLoading.cpp
  upgrade/UpgradeProgressCtrl.cpp
  upgrade/UpgradeSupervision.cpp
)
