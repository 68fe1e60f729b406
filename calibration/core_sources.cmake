target_sources(gimbalcore PRIVATE
  calibration/CalibrationRequest.cpp
  calibration/PortStatus.cpp
  calibration/RequestSending.cpp
  calibration/StatusReport.cpp
)
