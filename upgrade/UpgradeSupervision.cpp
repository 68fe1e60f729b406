// Placeholder: the upgrade supervision lands with the firmware upgrade work.
#include "app/UartToolCtrl.h"

void UartToolCtrl::OpenFile() {}
void UartToolCtrl::OpenPanelDidEnd(const QString&, int) {}
void UartToolCtrl::Upgrade() {}
void UartToolCtrl::handleUpgradeTimer() {}
void UartToolCtrl::TransmitFile() {}
void UartToolCtrl::ProgressCtrl() {}
void UartToolCtrl::ProgressCtrl0x02() {}
void UartToolCtrl::ProgressCtrl2() {}
void UartToolCtrl::Askupdate() {}
