target_sources(gimbalui PRIVATE
  upgrade/FileLoading.cpp
  upgrade/ReleaseChoice.cpp
  upgrade/UpgradeSupervision.cpp
  upgrade/VersionCheck.cpp
)
