target_sources(gimbalui PRIVATE
  app/AppDelegate.cpp
  app/HelpPanel.cpp
  app/LogActions.cpp
  app/MainWindow.ui
  app/PageStack.cpp
  app/PortSelection.cpp
  app/PortWatch.cpp
  app/QtMainQueue.cpp
  app/QuitOnSignals.cpp
  app/RememberedChoices.cpp
  app/TopAnchoredArea.cpp
  app/Translation.cpp
  app/UartToolCtrl.cpp
  app/WindowFrame.cpp
)
