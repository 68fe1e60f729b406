target_sources(gimbalcore PRIVATE
  serial/PortRegistry.cpp
  serial/DeviceLookup.cpp
  serial/LineStubs.cpp
)
