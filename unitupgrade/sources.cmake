# One unit's upgrade, as gimbalctl's commands and its station both run it: the
# firmware file loaded, the release chosen, the upgrade in a child process,
# the versions checked around it, and what they need (one-line errors and
# JSON lines, texts in the user's language, exit statuses, the progress bar,
# stopping by a signal, asking the gimbal). Each system's own files beside
# the shared ones.
set(GIMBAL_UNIT_UPGRADE_SHARED_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/Output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FirmwareLoading.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExitStatuses.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Translation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AskGimbal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Verification.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpgradeOutcome.cpp
)
set(GIMBAL_UNIT_UPGRADE_LINUX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/Stop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sha256.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UpgradeChild.cpp
)
set(GIMBAL_UNIT_UPGRADE_WINDOWS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/windows/Stop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/Sha256.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/Utf8.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/Ports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/FirmwareReading.cpp
)
