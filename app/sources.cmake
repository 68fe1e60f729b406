target_sources(gimbalui PRIVATE
  app/QtMainQueue.cpp
  app/Placeholder.cpp
)
