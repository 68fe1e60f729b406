target_sources(gimbalcore PRIVATE
  calibration/PortStatus.cpp
  calibration/RequestSending.cpp
)
