gimbal_add_test(calibration_tests LABEL calibration
  SOURCES calibration/CalibrationTest.cpp
  LIBS qttestmain)
