// Replies to the key-fob, RF and binding commands.
#include "link/ReplyFamilies.h"
#include "link/ReplyTemplate.h"

namespace {

constexpr TemplateRow kRows[] = {
    {0x8401, "钥匙扣ID1设置应答", nullptr},
    {0x8402, "RFID钥匙扣一ID：{t0}", nullptr},
    {0x8403, "钥匙扣ID2设置应答", nullptr},
    {0x8404, "RFID钥匙扣二ID：{t0}", nullptr},
    {0x8407, "RF芯片寄存器读取：{h}", nullptr},
    {0x8414, "{b0?0:RF防盗模式：安防|*:RF防盗模式：监控}", nullptr},
    {0x8416, "{b0?0:校时方案：平台校时|*:校时方案：GPS校时}", nullptr},
    {0x8420, "{b0?0:飞行模式设置：禁止|*:飞行模式设置：允许}", nullptr},
    {0x8422, "{b0?0:任意号码设置：禁止|*:任意号码设置：允许}", nullptr},
    {0x8427, "设备绑定设置!", nullptr},
    // The terminal answers the character '1' (0x31), not the number.
    {0x8428, "{b0?49:设备已绑定!|*:设备未绑定!}", nullptr},
};

}  // namespace

void RegisterReplies84() { RegisterTemplateRows(kRows); }
