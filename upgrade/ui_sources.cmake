target_sources(gimbalui PRIVATE
  upgrade/UpgradeSupervision.cpp
)
