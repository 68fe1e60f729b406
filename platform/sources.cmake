target_sources(gimbalcore PRIVATE
  platform/MainQueue.cpp
  platform/NotificationCenter.cpp
)
