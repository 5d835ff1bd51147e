#include "consoles/ConsoleReplies.h"

#include "link/ReplyFormat.h"
#include "platform/TextCodec.h"

namespace {

constexpr size_t kRfTimeLabel = 3;

std::string Number(uint32_t value) { return std::to_string(value); }

}  // namespace

std::optional<std::string> GSensorStudyLine(const TReplyRecord& reply) {
    const ReplyBytes data(reply);
    switch (data.At(0)) {
        case 1:
            return data.At(1) == 1 ? "芯片通信正常，开始校准......" : "芯片通信异常，已退出!!!!!!";
        case 2:
            return std::string(data.At(1) == 1 ? "芯片校准成功!阀值为：" : "芯片校准失败!检测阀值为：") +
                   Number(data.At(2));
        case 3:
            return "校准过程,当前阀值：" + Number(data.At(1)) + "振动次数：" + Number(data.At(2));
        default:
            return std::nullopt;
    }
}

std::string WheelLevelText(const TReplyRecord& reply) {
    return ReplyBytes(reply).At(0) == 1 ? "当前车轮转换值：高" : "当前车轮转换值：低";
}

EbikeMonitorTexts EbikeMonitorLabels(const TReplyRecord& reply, const QDateTime& now) {
    const ReplyBytes data(reply);
    return {data.At(0) == 1 ? "ACC状态：开" : "ACC状态：关", "ADC采样值：" + Number(data.Be16(1)),
            "RF接收次数：" + Number(data.At(3)),
            "时间：" + now.toString(QStringLiteral("yy-MM-dd hh-mm-ss")).toStdString()};
}

RfMonitorTexts RfMonitorLabels(const TnSysRunInfo& info, const QDateTime& now) {
    RfMonitorTexts texts;
    size_t status = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        texts[i] = kRfMonitorCaptions[i];
        texts[i] += i == kRfTimeLabel ? now.toString(QStringLiteral("yy-MM-dd hh:mm:ss")).toStdString()
                                      : Cp936ToUtf8(info.RfStatus[status++]);
    }
    return texts;
}
