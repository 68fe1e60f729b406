#pragma once
// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C in the terminal that started the
// window, the end of the session) quit the application the normal way, so
// the open port is closed and its line put back as when the window is closed.

class QCoreApplication;

void quitOnSignals(QCoreApplication& application);
