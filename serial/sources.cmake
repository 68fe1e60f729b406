target_sources(gimbalcore PRIVATE
  serial/PortRegistry.cpp
  serial/LineStubs.cpp
)
