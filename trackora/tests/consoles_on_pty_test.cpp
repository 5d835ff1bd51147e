// Each parameter console opened from its menu item in the whole program, against a terminal on a
// pseudo-terminal: a set and a query leave as their command lines, and the terminal's parameter answer is
// decoded into the output log.
#include <QMdiSubWindow>

#include "program_fixture.h"

namespace {

struct ConsoleRow {
    const char* menuSlot;
    const char* form;
    const char* check;
    const char* edit;
    const char* value;
    std::string set;    // the set text
    std::string query;  // the query text
    std::string answer;
    std::vector<std::string> printed;  // what the log shows of the answer after its heading
};

class ConsolesOnPty : public ProgramOnPty {
  protected:
    // The next command line the terminal received, with its CR LF, as the program wrote it.
    std::string NextLine() { return sim.ReadLine(kWait).value_or("(none)") + "\r\n"; }
    // A parameter answer from the terminal (the 16-bit length of the items, then the items) and what the
    // receiver's next tick prints of it.
    Lines Answer(const std::string& items) {
        const std::string text =
            std::string{static_cast<char>(items.size() >> 8), static_cast<char>(items.size())} + items;
        const std::vector<uint8_t> payload(text.begin(), text.end());
        EXPECT_TRUE(Arrive(TerminalSim::ReplyFrame(1, 0x8202, payload)));
        return Tick();
    }
};

TEST_F(ConsolesOnPty, SetQueryAndAnswer) {
    // clang-format off
    const ConsoleRow rows[] = {
        {"N6408081Click", "Tf640Manage", "Check_PULSE", "Value_PULSE", "90", "#PULSE=90", "#PULSE", "PULSE=90",
         {"Heart:90"}},
        {"N13Click", "TfwlwManage", "Check_FREQ", "Value_FREQ", "20", "#FREQ=20", "#FREQ", "FREQ=20", {"FREQ:20"}},
        {"N23Click", "TfCCDJ", "Check_APN", "Value_APN", "cmiot", "#APN=cmiot", "#APN", "APN=cmiot", {"APN:cmiot"}},
        {"WIFI1Click", "TfWifiShoes", "Check_IMEI", "Value_IMEI", "861234567890123", "#IMEI=861234567890123",
         "#IMEI", "IMEI=861234567890123", {"IMEI:861234567890123"}},
        {"N24Click", "TfBagManage", "Check_TERIID", "Value_TERIID", "2000000001", "#TERIID=2000000001", "#TERIID",
         "TERIID=2000000001", {"TeriSN:2000000001"}},
        {"PW33101Click", "TfPW3310", "Check_PULSE", "Value_PULSE", "240", "#PULSE=240", "#PULSE", "PULSE=240",
         {"Heart:240"}},
        {"PW33184G1Click", "TfPW3318", "Check_ICCID", "Value_ICCID", "89860012", "#ICCID=89860012", "#ICCID",
         "ICCID=89860012,Z=1", {"SIM ICCID:89860012", "Z:1"}},
    };
    // clang-format on
    OpenPort();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.form);
        ASSERT_TRUE(QMetaObject::invokeMethod(main, row.menuSlot));
        QWidget* form = OpenedWindow(row.form);
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(QMetaObject::invokeMethod(main, row.menuSlot));
        EXPECT_EQ(OpenedWindow(row.form), form) << "one instance";
        EXPECT_EQ(WindowFrame(row.form)->pos(),
                  QPoint(WindowFrame("TfOutPut")->width(), WindowFrame("TfComManage")->height()));

        SetChecked(form, row.check, true);
        SetEditText(form, row.edit, row.value);
        form->findChild<QPushButton*>("SpeedButton1")->click();
        EXPECT_EQ(NextLine(), TerminalSim::CommandLine(0x0201, row.set));
        form->findChild<QPushButton*>("SpeedButton2")->click();
        EXPECT_EQ(NextLine(), TerminalSim::CommandLine(0x0202, row.query));

        Lines expected{"", heading + "1", "8202", "Read Param Ack Info!!!"};
        expected.insert(expected.end(), row.printed.begin(), row.printed.end());
        EXPECT_EQ(Answer(row.answer), expected);

        EXPECT_TRUE(WindowFrame(row.form)->close());
        EXPECT_EQ(OpenedWindow(row.form), nullptr);
    }
}

}  // namespace
