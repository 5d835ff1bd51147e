// The system, positioning and debug replies (0x81xx), the parameter and slot replies' own lines
// (0x82xx) and the generic acknowledgements (0xF0xx).
#pragma once

#include "link/ReplyTable.h"

// 0x8100: system state into SysRunInfo (low byte first), no line.
void DecodeSysRunInfo(const TReplyRecord& reply, ReplyLines& out);
// 0x8101: GPS status into GpsInfoManage, no line.
void DecodeGpsStatus(const TReplyRecord& reply, ReplyLines& out);
// 0x8104: GPS and BeiDou status into GpsInfoManage, no line.
void DecodeGpsBdStatus(const TReplyRecord& reply, ReplyLines& out);
// 0x8121: the RF calibration record.
void DecodeCalibration(const TReplyRecord& reply, ReplyLines& out);

void RegisterReplies81();
