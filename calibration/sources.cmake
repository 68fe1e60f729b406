target_sources(gimbalui PRIVATE
  calibration/CalibrationRequests.cpp
  calibration/StatusPoll.cpp
)
