target_sources(gimbalui PRIVATE
  upgrade/FileLoading.cpp
  upgrade/UpgradeSupervision.cpp
)
