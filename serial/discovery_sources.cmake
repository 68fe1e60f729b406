target_sources(gimbalcore PRIVATE
  serial/ULXSerialPortManager.cpp
  serial/UdevEventSource.cpp
  serial/LogindSleepSource.cpp
)
