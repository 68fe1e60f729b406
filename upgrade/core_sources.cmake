target_sources(gimbalcore PRIVATE
  upgrade/BlockTransfer.cpp
)
