target_sources(gimbalui PRIVATE
  upgrade/FileLoading.cpp
  upgrade/ReleaseChoice.cpp
  upgrade/ReleaseFetch.cpp
  upgrade/UpgradeSupervision.cpp
  upgrade/VersionCheck.cpp
)
