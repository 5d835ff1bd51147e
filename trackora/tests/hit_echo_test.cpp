// "Hit" shows a received chunk the way every received text is shown: code page 936 text in UTF-8 with its
// zero bytes left out, exactly as the reply decoders show texts of the payload.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "link/ComManage.h"
#include "link/OutputLog.h"
#include "link/ReplyFormat.h"

namespace {

TEST(HitEcho, ChunkShownAsTheDecodersShowTexts) {
    ResetPublicData();
    std::vector<std::string> log;
    SetLogSink([&](const std::string& line) { log.push_back(line); });
    {
        TfComManage ports;
        ports.SetPortListSource([] { return SerialCommMap{}; });
        ports.CheckBox2->setChecked(true);
        // "你" C4 E3, a zero byte, "好" BA C3, then "OK".
        const uint8_t chunk[] = {0xC4, 0xE3, 0x00, 0xBA, 0xC3, 'O', 'K'};
        ports.Comm1ReceiveData(ports.Comm1, chunk, sizeof chunk);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0],
                  "\xE4\xBD\xA0\xE5\xA5\xBD"
                  "OK");  // 你好OK in UTF-8
        EXPECT_EQ(log[0], Cp936BytesToLogText(chunk, sizeof chunk));
    }
    SetLogSink(nullptr);
    ResetPublicData();
}

}  // namespace
