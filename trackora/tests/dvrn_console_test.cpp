// The vehicle-tracker console: set and query texts in the pages' orders, batching at 70 bytes with the
// later frames left to the train's timer, its messages, and ParamInfo.ini.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "console_fixture.h"
#include "consoles/TfDVRN.h"
#include "platform/TextCodec.h"
#include "support/ManualMonotonicClock.h"

namespace {

// The pause the train keeps between two frames.
constexpr auto kPause = std::chrono::milliseconds(300) + kLineSlack;

class DvrnTest : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        form = std::make_unique<TfDVRN>();
    }
    void TearDown() override {
        form.reset();
        ConsoleTest::TearDown();
    }
    void Page(int index) { form->PageControl1->setCurrentIndex(index); }
    // Checks a field and types its value.
    void Enter(const std::string& id, const QString& value) {
        Check(form.get(), "Check_" + id);
        Type(form.get(), "Value_" + id, value);
    }
    // Lets the train's timer fire as often as it has frames left, the pause passing on the test's clock.
    void RunTrain() {
        for (int guard = 0; guard < 100 && form->Train() && !form->Train()->Done(); ++guard) {
            clock.Advance(kPause);
            form->Train()->Tick();
        }
    }
    void Reopen() { form = std::make_unique<TfDVRN>(); }
    // A new window as on the very first start, without the fields an earlier row saved.
    void Fresh() {
        QFile::remove(QString::fromStdString(TfDVRN::ParamInfoPath()));
        Reopen();
    }
    std::string IniText() const {
        QFile file(QString::fromStdString(TfDVRN::ParamInfoPath()));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.readAll().toStdString();
    }

    ManualMonotonicClock clock;
    std::unique_ptr<TfDVRN> form;
};

TEST_F(DvrnTest, ThreeCheckedItemsLeaveAsOneFrame) {
    Enter("TERISN", "123456789012345");
    Enter("FREQ", "30");
    Enter("HEART", "180");
    Click(form.get(), "SpeedButton1");
    // 8 + 15 + 8 + 10 = 41 bytes (0x29). Checksum: 0x9C + 0x02 + 0x01 + 0x29 = 0xC8, payload bytes add 0x9A0,
    // 0xC8 + 0x9A0 = 0xA68 -> 0x68.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(
        port.lines[0],
        "ATKQ4B5100000000000000000002010029235445524949443D31323334353637383930313233343523465245513D3330"
        "2350554C53453D313830680D0A\r\n");
    EXPECT_EQ(log, std::vector<std::string>{"SZCS#TERIID=123456789012345#FREQ=30#PULSE=180"});
    EXPECT_TRUE(form->SpeedButton1->isEnabled());
}

TEST_F(DvrnTest, BatchesAreCutAtSeventyBytesAndLeaveFromTheTimer) {
    Enter("SERVERADDR", "abcdefghijklmnopqrstuv");  // "#SERVIP=" 8 + 22 = 30
    Enter("USER", "123456789012345678901234");      // "#USER=" 6 + 24 = 30
    Enter("APN", "abcdefghijklmno");                // "#APN=" 5 + 15 = 20
    Click(form.get(), "SpeedButton1");

    // 30 + 30 = 60 fits; 60 + 20 = 80 does not: the 60-byte batch leaves at once, the APN item waits for the
    // timer, and neither button takes a click meanwhile.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0],
              "ATKQ4B510000000000000000000201003C235345525649503D6162636465666768696A6B6C6D6E6F70717273747576"
              "23555345523D313233343536373839303132333435363738393031323334D40D0A\r\n");
    ASSERT_NE(form->Train(), nullptr);
    EXPECT_GE(form->Train()->Timer().interval(), 300);
    EXPECT_TRUE(form->Train()->Timer().isActive());
    EXPECT_FALSE(form->SpeedButton1->isEnabled());
    EXPECT_FALSE(form->SpeedButton2->isEnabled());

    clock.Advance(kPause);
    form->Train()->Tick();
    ASSERT_EQ(port.lines.size(), 2u);
    // Len 20 (0x14); 0x9C + 0x02 + 0x01 + 0x14 = 0xB3, payload bytes add 0x657 -> 0x70A -> 0x0A.
    EXPECT_EQ(port.lines[1],
              "ATKQ4B51000000000000000000020100142341504E3D6162636465666768696A6B6C6D6E6F0A0D0A\r\n");
    EXPECT_EQ(log,
              (std::vector<std::string>{"SZCS#SERVIP=abcdefghijklmnopqrstuv#USER=123456789012345678901234",
                                        "SZCS#APN=abcdefghijklmno"}));
    EXPECT_TRUE(form->SpeedButton1->isEnabled());
    EXPECT_TRUE(form->SpeedButton2->isEnabled());
}

TEST_F(DvrnTest, ATickThatComesEarlySendsNothingAndWaitsForTheRestOfThePause) {
    using std::chrono::microseconds;
    using std::chrono::milliseconds;
    Enter("FREQ", "30");                    // 8 bytes
    Enter("SERVERADDR", QString(72, 'a'));  // 80: alone
    Enter("USER", QString(64, 'u'));        // 70: alone
    Click(form.get(), "SpeedButton1");
    ASSERT_EQ(port.lines.size(), 1u);
    const QTimer& timer = form->Train()->Timer();
    struct Step {
        const char* legend;
        MonoTime::duration advance;
        size_t linesAfter;
        int rearmedMs;  // the timer's next wait; -1: the train is done
    } steps[] = {
        {"a timer that fires early", milliseconds(285), 1, static_cast<int>(kPause.count()) - 285},
        {"the rest of the pause", kPause - milliseconds(285), 2, static_cast<int>(kPause.count())},
        {"half a millisecond short waits a whole one", kPause - microseconds(500), 2, 1},
        {"now the pause is over", milliseconds(1), 3, -1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.legend);
        clock.Advance(step.advance);
        form->Train()->Tick();
        EXPECT_EQ(port.lines.size(), step.linesAfter);
        if (step.rearmedMs < 0) {
            EXPECT_TRUE(form->Train()->Done());
            EXPECT_TRUE(form->SpeedButton1->isEnabled());
            continue;
        }
        EXPECT_TRUE(timer.isActive());
        EXPECT_EQ(timer.interval(), step.rearmedMs);
        EXPECT_FALSE(form->SpeedButton1->isEnabled());
    }
    EXPECT_EQ(Frames()[2].payload, "#USER=" + std::string(64, 'u'));
}

TEST_F(DvrnTest, TheTrainOutlivesItsWindow) {
    Enter("SERVERADDR", QString(72, 'a'));
    Enter("USER", "ab");
    Click(form.get(), "SpeedButton1");
    QPointer<TBatchTrain> train = form->Train();
    ASSERT_NE(train, nullptr);
    form.reset();  // the user closes the console between the two frames
    clock.Advance(kPause);
    train->Tick();
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[1].payload, "#USER=ab");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(train, nullptr) << "a finished train frees itself";
}

TEST_F(DvrnTest, BatchBoundary) {
    struct Row {
        const char* legend;
        std::vector<std::pair<std::string, std::string>> fields;  // id, value, in set order
        std::vector<size_t> frameSizes;
    } rows[] = {
        {"30 + 40 = 70 stays one batch",
         {{"SERVERADDR", std::string(22, 'a')}, {"USER", std::string(34, 'u')}},
         {70}},
        {"30 + 41 = 71 is two",
         {{"SERVERADDR", std::string(22, 'a')}, {"USER", std::string(35, 'u')}},
         {30, 41}},
        {"one 80-byte item alone, no empty frame before it", {{"SERVERADDR", std::string(72, 'a')}}, {80}},
        {"8 then 80 alone", {{"FREQ", "30"}, {"SERVERADDR", std::string(72, 'a')}}, {8, 80}},
        {"80 alone, then 8", {{"SERVERADDR", std::string(72, 'a')}, {"USER", "ab"}}, {80, 8}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        Fresh();
        for (const auto& [id, value] : row.fields) Enter(id, QString::fromStdString(value));
        Click(form.get(), "SpeedButton1");
        RunTrain();
        const auto frames = Frames();
        ASSERT_EQ(frames.size(), row.frameSizes.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].cmd, 0x0201);
            EXPECT_EQ(frames[i].payload.size(), row.frameSizes[i]);
        }
    }
}

TEST_F(DvrnTest, ValueForms) {
    using Setup = std::function<void(QWidget*)>;
    struct Row {
        const char* legend;
        int page;
        const char* id;
        Setup setup;
        std::string item;
    } rows[] = {
        {"composite a:b", 0, "VIBPARAM",
         [](QWidget* f) {
             Type(f, "Value_VIBPARAM_1", "10");
             Type(f, "Value_VIBPARAM_2", "5");
         },
         "#VIBCHK=10:5"},
        {"index + 1", 0, "VIBLEVEL", [](QWidget* f) { Pick(f, "Value_VIBLEVEL", 2); }, "#VIBL=3"},
        {"typed level matches no item: -1 + 1", 0, "VIBLEVEL",
         [](QWidget* f) { TypeInCombo(f, "Value_VIBLEVEL", "LEVEL9"); }, "#VIBL=0"},
        {"typed text equal to an item selects it", 0, "VIBLEVEL",
         [](QWidget* f) { TypeInCombo(f, "Value_VIBLEVEL", "LEVEL4"); }, "#VIBL=4"},
        {"index then minutes + 1", 0, "LOG_EN",
         [](QWidget* f) {
             Pick(f, "Value_LOG_EN_1", 1);
             Pick(f, "Value_LOG_EN_2", 2);
         },
         "#LOG_EN=1:3"},
        {"index and edit back to back", 0, "EXP_ACC",
         [](QWidget* f) {
             Pick(f, "Value_EXP_ACC_1", 1);
             Type(f, "Value_EXP_ACC_2", "132");
         },
         "#EXP_ACC=1132"},
        {"typed combo text gives -1", 0, "SOURCEOFF",
         [](QWidget* f) { TypeInCombo(f, "Value_SOURCEOFF", "Fast"); }, "#SOURCE_OFF_TYPE=-1"},
        {"empty edit ends in =", 0, "SERVERADDR", [](QWidget* f) { Type(f, "Value_SERVERADDR", ""); },
         "#SERVIP="},
        {"edit text as code page 936 bytes", 0, "APN", [](QWidget* f) { Type(f, "Value_APN", "中国"); },
         "#APN=\xD6\xD0\xB9\xFA"},
        {"index + 10", 1, "DIS_COEFFI", [](QWidget* f) { Pick(f, "Value_DIS_COEFFI", 5); }, "#DIS_COEFFI=15"},
        {"time zone W 08 30", 1, "TIMEZONE",
         [](QWidget* f) {
             Pick(f, "Value_TIMEZONE_1", 1);
             Pick(f, "Value_TIMEZONE_2", 8);
             Pick(f, "Value_TIMEZONE_3", 30);
         },
         "#GMT_SET=W0830"},
        {"time zone with a typed hour keeps -1 unpadded", 1, "TIMEZONE",
         [](QWidget* f) {
             Pick(f, "Value_TIMEZONE_1", 0);
             TypeInCombo(f, "Value_TIMEZONE_2", "7");
             Pick(f, "Value_TIMEZONE_3", 0);
         },
         "#GMT_SET=E-100"},
        {"work mode starts with nothing selected", 1, "WORK_MODE", [](QWidget*) {}, "#WORK_MODE=-1"},
        {"work mode picked", 1, "WORK_MODE", [](QWidget* f) { Pick(f, "Value_WORK_MODE", 3); },
         "#WORK_MODE=3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        Fresh();
        Page(row.page);
        Check(form.get(), std::string("Check_") + row.id);
        row.setup(form.get());
        Click(form.get(), "SpeedButton1");
        const auto frames = Frames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].cmd, 0x0201);
        EXPECT_EQ(frames[0].payload, row.item);
    }
}

TEST_F(DvrnTest, QueryFollowsThePageQueryOrder) {
    Check(form.get(), "Check_VERSION");
    Check(form.get(), "Check_FREQ");
    Check(form.get(), "Check_VIBLEVEL");
    Check(form.get(), "Check_ICCID");
    Click(form.get(), "SpeedButton2");
    // Len 28 (0x1C); 0x9C + 0x02 + 0x02 + 0x1C = 0xBC, payload bytes add 0x7A5 -> 0x861 -> 0x61.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(
        port.lines[0],
        "ATKQ4B510000000000000000000202001C23534F465456455253494F4E2346524551235649424C234943434944610D0A"
        "\r\n");
    EXPECT_EQ(log, std::vector<std::string>{"CXCS#SOFTVERSION#FREQ#VIBL#ICCID"});
}

TEST_F(DvrnTest, SecondPageSetAndQueryOrdersDiffer) {
    Page(1);
    for (const char* id : {"808SELECT", "PTLSELECT", "IMIE", "STOPT", "TIMEZONE"})
        Check(form.get(), std::string("Check_") + id);
    Pick(form.get(), "Value_808SELECT", 0);
    Pick(form.get(), "Value_PTLSELECT", 0);
    Type(form.get(), "Value_IMIE", "123456789012345");
    Type(form.get(), "Value_STOPT", "0");
    Pick(form.get(), "Value_TIMEZONE_1", 1);
    Pick(form.get(), "Value_TIMEZONE_2", 8);
    Pick(form.get(), "Value_TIMEZONE_3", 30);
    Click(form.get(), "SpeedButton1");
    Click(form.get(), "SpeedButton2");
    ASSERT_EQ(port.lines.size(), 2u);
    // Set: 9 + 10 + 21 + 8 + 14 = 62 bytes (0x3E), one frame; checksum 0x23.
    EXPECT_EQ(
        port.lines[0],
        "ATKQ4B510000000000000000000201003E2338303853454C3D302350544C5F53454C3D3023494D45493D313233343536"
        "3738393031323334352353544F50543D3023474D545F5345543D5730383330230D0A\r\n");
    // Query: 808SEL after PTL_SEL, GMT_SET before STOPT; 34 bytes (0x22), checksum 0x19.
    EXPECT_EQ(port.lines[1],
              "ATKQ4B51000000000000000000020200222350544C5F53454C2338303853454C23494D454923474D545F5345542353"
              "544F5054190D0A\r\n");
}

TEST_F(DvrnTest, Messages) {
    struct Row {
        const char* legend;
        int page;
        const char* button;
        const char* text;  // nullptr: no box
    } rows[] = {
        {"set on the Car page", 4, "SpeedButton1", "Please Cut To Param Page"},
        {"query on the Debug page", 6, "SpeedButton2", "Please Cut To Param Windows"},
        {"query on Param3 (nothing can be checked)", 2, "SpeedButton2", "Please Select Items"},
        {"query on Person", 3, "SpeedButton2", "Please Select Items"},
        {"query with nothing checked", 0, "SpeedButton2", "Please Select Items"},
        {"set on Param3 is silent", 2, "SpeedButton1", nullptr},
        {"set with nothing checked is silent", 1, "SpeedButton1", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        boxes.clear();
        Page(row.page);
        Click(form.get(), row.button);
        EXPECT_TRUE(port.lines.empty());
        EXPECT_TRUE(log.empty());
        if (!row.text) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, QString::fromLatin1(row.text));
        EXPECT_EQ(boxes[0].caption, QStringLiteral("Hit Windows"));
        EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
    }
    EXPECT_TRUE(IniText().empty()) << "nothing sent, nothing saved";
}

TEST_F(DvrnTest, AnItemTooLongForAFrameIsRefusedWhole) {
    Enter("FREQ", "30");
    Enter("SERVERADDR", QString(484, 'a'));  // 8 + 484 = 492 > 491
    Click(form.get(), "SpeedButton1");
    EXPECT_TRUE(port.lines.empty());
    EXPECT_TRUE(log.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
    EXPECT_EQ(form->Train(), nullptr);

    boxes.clear();
    Type(form.get(), "Value_SERVERADDR", QString(483, 'a'));  // 491 fits, alone in its frame
    Click(form.get(), "SpeedButton1");
    RunTrain();
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[1].payload.size(), 491u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DvrnTest, AnItemMarkInsideAValueStopsTheWholeSet) {
    Enter("FREQ", "30");
    Enter("APN", "cmnet#SERVIP=6.6.6.6");
    Click(form.get(), "SpeedButton1");
    EXPECT_TRUE(port.lines.empty());
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(form->Train(), nullptr);
    EXPECT_TRUE(IniText().empty()) << "nothing sent, nothing saved";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Character \"#\" not allowed in APN"));
}

TEST_F(DvrnTest, ClosedPortStillLogsAndSaves) {
    GlobalData.ComOpen = 0;
    Enter("SERVERADDR", QString(72, 'a'));
    Enter("USER", "ab");
    Click(form.get(), "SpeedButton1");
    RunTrain();
    EXPECT_TRUE(port.lines.empty());
    // Each batch's line is followed by the link's word that it did not go out.
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].substr(0, 4), "SZCS");
    EXPECT_EQ(log[1], kSendPortClosedLog);
    EXPECT_EQ(log[3], kSendPortClosedLog);
    EXPECT_NE(IniText().find("SERVERADDR_EN=1"), std::string::npos);
}

TEST_F(DvrnTest, FirstStartWithoutTheFileShowsZeros) {
    EXPECT_FALSE(IsChecked(form.get(), "Check_FREQ"));
    EXPECT_EQ(EditText(form.get(), "Value_FREQ"), "0");
    EXPECT_EQ(EditText(form.get(), "Value_SERVERADDR"), "0");
    EXPECT_EQ(EditText(form.get(), "Value_VIBPARAM_2"), "0");
    EXPECT_EQ(ComboIndex(form.get(), "Value_COURSESEND"), 0);  // layout default 1, the file says 0
    EXPECT_EQ(ComboIndex(form.get(), "Value_TIMEZONE_3"), 0);
    // Fields the file does not keep start from the layout.
    EXPECT_EQ(ComboIndex(form.get(), "Value_LOG_EN_1"), 1);
    EXPECT_EQ(EditText(form.get(), "Value_EXP_ACC_2"), "132");
    EXPECT_EQ(EditText(form.get(), "Value_ACC_OFF_FREQ_HIDDEN"), "60");
}

TEST_F(DvrnTest, FieldsComeBackAfterReopening) {
    Enter("FREQ", "45");
    Check(form.get(), "Check_VIBLEVEL");
    Pick(form.get(), "Value_VIBLEVEL", 2);
    Type(form.get(), "Value_SERVERADDR", "主机.cn");
    Page(1);
    Check(form.get(), "Check_TIMEZONE");
    Pick(form.get(), "Value_TIMEZONE_1", 1);
    Pick(form.get(), "Value_TIMEZONE_2", 8);
    Pick(form.get(), "Value_TIMEZONE_3", 30);
    Click(form.get(), "SpeedButton1");  // page 1: saves every kept field of both pages
    const std::string ini = IniText();
    for (const char* line :
         {"[PARAMINFO]", "FREQ_EN=1", "FREQ_VALUE=45", "VIBLEVEL_VALUE=2", "VERSION_EN=0",
          "TIMEZONE_VALUE1=1", "TIMEZONE_VALUE2=8", "TIMEZONE_VALUE3=30", "VIBPARAM_VALUE1=0"}) {
        EXPECT_NE(ini.find(std::string(line) + "\r\n"), std::string::npos) << line;
    }
    EXPECT_EQ(ini.find("VERSION_VALUE"), std::string::npos);
    EXPECT_EQ(ini.find("TIMEZONE_VALUE="), std::string::npos);
    // The file keeps code page 936 text: 主 D6F7, 机 BBFA.
    EXPECT_NE(ini.find("SERVERADDR_VALUE=\xD6\xF7\xBB\xFA.cn"), std::string::npos);
    EXPECT_LT(ini.find("VERSION_EN"), ini.find("FIMIE_EN"));

    Reopen();
    EXPECT_TRUE(IsChecked(form.get(), "Check_FREQ"));
    EXPECT_EQ(EditText(form.get(), "Value_FREQ"), "45");
    EXPECT_TRUE(IsChecked(form.get(), "Check_VIBLEVEL"));
    EXPECT_EQ(ComboIndex(form.get(), "Value_VIBLEVEL"), 2);
    EXPECT_EQ(EditText(form.get(), "Value_SERVERADDR"), "主机.cn");
    EXPECT_TRUE(IsChecked(form.get(), "Check_TIMEZONE"));
    EXPECT_EQ(ComboIndex(form.get(), "Value_TIMEZONE_1"), 1);
    EXPECT_EQ(ComboIndex(form.get(), "Value_TIMEZONE_2"), 8);
    EXPECT_EQ(ComboIndex(form.get(), "Value_TIMEZONE_3"), 30);
}

TEST_F(DvrnTest, ABadValueInTheFileSkipsOnlyItsKey) {
    TIniFile ini(TfDVRN::ParamInfoPath());
    ini.WriteString("PARAMINFO", "FREQ_EN", "1");
    ini.WriteString("PARAMINFO", "SOURCEOFF_EN", "1");
    ini.WriteString("PARAMINFO", "SOURCEOFF_VALUE", "abc");  // not a number
    ini.WriteString("PARAMINFO", "GPSFINTER_VALUE", "9");    // no such item
    ini.WriteString("PARAMINFO", "VIBLEVEL_EN", "1");        // after the bad keys in the file's order
    ini.WriteString("PARAMINFO", "VIBLEVEL_VALUE", "3");
    ini.WriteString("PARAMINFO", "FIMIE_VALUE", "860000000000009");
    ini.WriteString("PARAMINFO", "HEART_EN", "yes");  // only "1" checks
    ASSERT_TRUE(ini.Save());

    Reopen();
    EXPECT_TRUE(IsChecked(form.get(), "Check_FREQ"));
    EXPECT_TRUE(IsChecked(form.get(), "Check_SOURCEOFF"));
    EXPECT_EQ(ComboIndex(form.get(), "Value_SOURCEOFF"), 0);  // left at its layout item
    EXPECT_EQ(ComboIndex(form.get(), "Value_GPSFINTER"), -1);
    EXPECT_TRUE(IsChecked(form.get(), "Check_VIBLEVEL"));
    EXPECT_EQ(ComboIndex(form.get(), "Value_VIBLEVEL"), 3);
    EXPECT_EQ(EditText(form.get(), "Value_FIMIE"), "860000000000009");
    EXPECT_FALSE(IsChecked(form.get(), "Check_HEART"));
}

}  // namespace
