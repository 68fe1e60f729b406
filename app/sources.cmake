target_sources(gimbalui PRIVATE
  app/Placeholder.cpp
)
