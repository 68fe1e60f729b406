// Placeholder: the status poll lands with the calibration work.
#include "app/UartToolCtrl.h"

void UartToolCtrl::handleTimer() {}
