target_sources(gimbalcore PRIVATE
  serial/PortRegistry.cpp
  serial/DeviceLookup.cpp
  serial/SerialLine.cpp
  serial/LineSettings.cpp
  serial/SerialIO.cpp
  serial/ModemLines.cpp
  serial/LineThreads.cpp
  serial/OpenFailure.cpp
  serial/PortDetails.cpp
)
