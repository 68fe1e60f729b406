# The production station (gimbalctl station): its bookkeeping, journal and
# options on every system; each system's way of finding units (UnitSource.h) beside them.
set(GIMBAL_STATION_SHARED_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SlotLabels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Station.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationOptions.cpp
)
set(GIMBAL_STATION_LINUX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LinuxStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UdevUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortSettle.cpp
)
set(GIMBAL_STATION_WINDOWS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/windows/WindowsStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/ComUnitSource.cpp
)
