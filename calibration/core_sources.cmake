target_sources(gimbalcore PRIVATE
  calibration/CalibrationRequest.cpp
  calibration/StatusReport.cpp
)
