// The barometric analyser: its arithmetic as tables, then the window with its ticks called by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "console_fixture.h"
#include "link/LogMemo.h"
#include "platform/FileDialog.h"
#include "shell/KQMain.h"
#include "tools/PressureSamples.h"
#include "tools/TfgSensorData.h"

namespace {

TEST(PressureSamples, RowsAxisAndSpans) {
    struct Row {
        int64_t value;
        int row;
    } rows[] = {
        {100635, 0},                  // 635 div 5 = 127: the top row
        {100634, 1},                  // 634 div 5 = 126
        {200000, 0},                  // far above: held at the top
        {100004, 127},                // 4 div 5 = 0: on the baseline
        {100000, 127}, {99370, 253},  // 630 div 5 = 126 below
        {99000, 254},                 // 1000 div 5 + 127 = 327: held at 254
    };
    for (const auto& r : rows) EXPECT_EQ(SampleRow(r.value, 100000, 5), r.row) << r.value;

    const auto labels = AxisLabels(100500, 5);  // s = 20 * 5 = 100
    EXPECT_EQ(labels.front(), 101100);
    EXPECT_EQ(labels[6], 100500);
    EXPECT_EQ(labels.back(), 99900);

    EXPECT_EQ(LatestSpan(1000).first, 400u);
    EXPECT_EQ(LatestSpan(1000).count, 600u);
    EXPECT_EQ(LatestSpan(7).count, 7u);
    EXPECT_EQ(ReplaySpan(25, 20).count, 5u);
    EXPECT_EQ(ReplaySpan(25, 30).count, 0u);
}

TEST(PressureSamples, ReadingStopsAtTheFirstLineThatHoldsNoSampleOrAtTheStoresEnd) {
    const SampleImport good = ReadSamples("ABCDEFGH100523\r\nABCDEFGH100490xyz\nABCDEFGH100610");
    EXPECT_EQ(good.samples, (std::vector<int32_t>{100523, 100490, 100610}));
    EXPECT_FALSE(good.badLine);

    const SampleImport bad = ReadSamples("ABCDEFGH100523\n\nABCDEFGH100610\n");
    EXPECT_EQ(bad.samples, std::vector<int32_t>{100523});
    EXPECT_EQ(bad.badLine, 2u);
    EXPECT_EQ(bad.lines.size(), 3u);

    std::string big;
    for (size_t i = 0; i <= kMaxSamples; ++i) big += "........000042\n";
    const SampleImport full = ReadSamples(big);
    EXPECT_EQ(full.samples.size(), kMaxSamples);
    EXPECT_TRUE(full.truncated);
}

class Analyser : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        main = new TfKQMain;
        main->Timer1->stop();
        GlobalData.ComOpen = kTrue32;
        main->gSensor1Click();
        form = fgSensorData;
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override {
        delete main;
        SetOpenDialogHandler(nullptr);
        SetSaveDialogHandler(nullptr);
        ConsoleTest::TearDown();
    }
    void Import(const std::string& name, const std::string& content) {
        const QString path = folder.filePath(QString::fromStdString(name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.data(), static_cast<qint64>(content.size()));
        file.close();
        SetOpenDialogHandler([path] { return std::optional<QString>(path); });
        form->SpeedButton1Click();
    }
    void ImportValues(int count) {
        std::string content;
        for (int i = 0; i < count; ++i) content += "........" + std::to_string(100000 + i) + "\n";
        Import("values.txt", content);
    }
    size_t Points() const { return form->PaintBox1->Curve().size(); }

    TfKQMain* main = nullptr;
    TfgSensorData* form = nullptr;
};

TEST_F(Analyser, ImportSetsTheCountTheBaselineAndTheLabels) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("大气压传感气分析器"));
    // Never smaller than 819 x 368, larger where the controls need it at the fonts in use; a fixed border.
    EXPECT_EQ(form->size(), QSize(819, 368).expandedTo(form->minimumSizeHint()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    Import("samples.txt", "ABCDEFGH100523\nABCDEFGH100490\nABCDEFGH100610\n");
    EXPECT_EQ(form->Label1->text(), QStringLiteral("总采样点数：3"));
    EXPECT_EQ(form->Edit1->text(), "100500");
    EXPECT_EQ(form->AxisLabel[0]->text(), "101100");
    EXPECT_EQ(form->AxisLabel[12]->text(), "99900");
    EXPECT_EQ(form->Memo1->Lines().size(), 3u);

    form->ComboBox1->setCurrentIndex(0);  // 1P: 20 a label
    EXPECT_EQ(form->AxisLabel[0]->text(), "100620");

    boxes.clear();
    Import("samples.csv", "x");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("文件格式错误!"));
    EXPECT_EQ(form->SampleCount(), 3u) << "nothing changes";
}

TEST_F(Analyser, ABadLineStopsTheImportOnceAndLeavesAConsistentState) {
    Import("broken.txt", "ABCDEFGH100523\nABCDEFGH100490\nshort\nABCDEFGH100610\n");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(form->SampleCount(), 2u);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("总采样点数：2"));
    EXPECT_EQ(form->Edit1->text(), "100500");
}

TEST_F(Analyser, ReplayStepsTenSamplesATickAndSaysWhenItIsDone) {
    ImportValues(25);
    form->Edit2->setText("0");
    form->SpeedButton5Click();
    ASSERT_TRUE(form->Timer2->isActive());
    EXPECT_EQ(form->Timer2->interval(), 300);
    struct Step {
        size_t points;
        const char* label;
    } steps[] = {{25, "回放记录数：10"}, {15, "回放记录数：20"}, {5, "回放数据完毕!"}, {0, "回放数据完毕!"}};
    for (const auto& step : steps) {
        form->Timer2Timer();
        EXPECT_EQ(Points(), step.points) << step.label;
        EXPECT_EQ(form->Label2->text(), QString::fromUtf8(step.label));
    }
    EXPECT_TRUE(form->Timer2->isActive()) << "the replay keeps ticking until stopped";

    for (const char* start : {"25", "-1", "x"}) {
        boxes.clear();
        form->Edit2->setText(start);
        form->SpeedButton5Click();
        ASSERT_EQ(boxes.size(), 1u) << start;
        EXPECT_EQ(boxes[0].text, QStringLiteral("设置启始点错误!!!")) << start;
    }
}

TEST_F(Analyser, TheLatestViewDrawsTheNewestSixHundred) {
    ImportValues(1000);
    form->SpeedButton4Click();
    EXPECT_EQ(form->Timer2->interval(), 500);
    form->Timer2Timer();
    ASSERT_EQ(Points(), 600u);
    // Sample 400 is 100400, baseline 100000 at 5P: 400 div 5 = 80 rows above row 127.
    EXPECT_EQ(form->PaintBox1->Curve().front(), QPoint(0, 47));
    EXPECT_EQ(form->PaintBox1->Curve().back().x(), 599);
}

TEST_F(Analyser, ABaselineThatIsNoNumberStopsTheViewWithOneMessage) {
    ImportValues(30);
    form->SpeedButton4Click();
    form->Edit1->setText("abc");
    boxes.clear();
    form->Timer2Timer();
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Analyser, SaveAndTheRecordCommands) {
    Import("samples.txt", "ABCDEFGH100523\n");
    SetSaveDialogHandler([this] { return std::optional<QString>(folder.filePath("data.TXT")); });
    form->SpeedButton2Click();
    EXPECT_TRUE(QFile::exists(folder.filePath("data.TXT.txt")));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, QStringLiteral("数据存贮成功!!!"));

    SetSaveDialogHandler([this] { return std::optional<QString>(folder.filePath("no/such/dir/x.txt")); });
    form->SpeedButton2Click();
    EXPECT_EQ(boxes.back().text, QStringLiteral("数据存贮失败!!!"));

    form->SpeedButton8Click();
    form->SpeedButton9Click();
    // 0x9C + 0x05 + 0x12 = 0xB3; + 1 for 0x13.
    EXPECT_EQ(port.lines, (std::vector<std::string>{"ATKQ4B5100000000000000000005120000B30D0A\r\n",
                                                    "ATKQ4B5100000000000000000005130000B40D0A\r\n"}));

    form->SpeedButton10Click();
    EXPECT_TRUE(form->CheckBox4->isChecked());
    form->Timer3Timer();
    EXPECT_FALSE(form->CheckBox4->isChecked());
    EXPECT_FALSE(form->Timer3->isActive());
}

}  // namespace
