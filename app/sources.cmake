target_sources(gimbalui PRIVATE
  app/AppDelegate.cpp
  app/HelpPanel.cpp
  app/MainWindow.ui
  app/PortSelection.cpp
  app/QtMainQueue.cpp
  app/TopAnchoredArea.cpp
  app/UartToolCtrl.cpp
  app/WindowFrame.cpp
)
