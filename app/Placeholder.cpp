// Placeholder until the main window lands.
#include <QMainWindow>
QMainWindow* makeMainWindow() { return new QMainWindow; }
