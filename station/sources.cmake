# The production station (gimbalctl station): its bookkeeping, journal and
# options on every system; each system's way of finding units (UnitSource.h) beside them.
# The records report (gimbalctl records) reads a journal everywhere and the
# factory's database on Linux, where the station sends its records there too.
set(GIMBAL_STATION_SHARED_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SlotLabels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Station.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordsCommand.cpp
)
set(GIMBAL_STATION_LINUX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LinuxStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UdevUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortSettle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordDatabase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordSender.cpp
)
set(GIMBAL_STATION_WINDOWS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/windows/WindowsStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/ComUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/NoDatabase.cpp
)

# The database's schema, kept as SQL that a database administrator can read
# and apply, built into the station.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/units-schema.sql)
file(READ ${CMAKE_CURRENT_LIST_DIR}/units-schema.sql UNITS_SCHEMA_SQL)
configure_file(${CMAKE_CURRENT_LIST_DIR}/UnitsSchema.h.in
               ${CMAKE_BINARY_DIR}/generated/station/UnitsSchema.h @ONLY)
