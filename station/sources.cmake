# The production station (gimbalctl station): its bookkeeping, journal and
# options on every system; each system's way of finding units beside them.
set(GIMBAL_STATION_SHARED_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/Station.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationOptions.cpp
)
set(GIMBAL_STATION_LINUX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LinuxStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortFolderWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OperatorScreen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenFeed.cpp
)
# The operator's screen's files (Linux), built into gimbalctl by
# screen/embed.cmake: the page, and the tool's page's style and icon.
set(GIMBAL_SCREEN_FILES
  ${CMAKE_CURRENT_LIST_DIR}/screen/index.html
  ${CMAKE_CURRENT_LIST_DIR}/screen/screen.css
  ${CMAKE_CURRENT_LIST_DIR}/screen/screen.js
  ${CMAKE_CURRENT_LIST_DIR}/../web/site/style.css
  ${CMAKE_CURRENT_LIST_DIR}/../packaging/gimbal-tool.svg
)
set(GIMBAL_SCREEN_EMBED ${CMAKE_CURRENT_LIST_DIR}/screen/embed.cmake)
set(GIMBAL_STATION_WINDOWS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/windows/WindowsStation.cpp
)
