// Placeholder: the calibration request buttons land with the calibration work.
#include "app/UartToolCtrl.h"

void UartToolCtrl::InitGyro() {}
void UartToolCtrl::CalibrAcc() {}
void UartToolCtrl::SaveAll() {}
void UartToolCtrl::ReadVer() {}
void UartToolCtrl::ResetAcc() {}
void UartToolCtrl::ReadAcc() {}
void UartToolCtrl::SendData() {}
void UartToolCtrl::btn_CalibrUp() {}
void UartToolCtrl::btn_CalibrDown() {}
void UartToolCtrl::btn_CalibrLeft() {}
void UartToolCtrl::btn_CalibrRight() {}
void UartToolCtrl::btn_CalibrMid() {}
void UartToolCtrl::btn_CalibrSave() {}
