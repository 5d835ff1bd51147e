// Every button of every console is connected once, as its window is built: a renamed row or a forgotten
// action leaves no button dead, and no click runs twice.
#include <QGridLayout>
#include <QPushButton>
#include <QtGlobal>
#include <string>
#include <vector>

#include "consoles/ConsoleForm.h"
#include "menu_fixture.h"

namespace {

// QObject::receivers (like isSignalConnected) is protected; a pointer to it taken through a class that
// makes it public is not.
struct ReceiverCount : QObject {
    using QObject::receivers;
};

int ClickReceivers(const QPushButton* button) {
    return (button->*&ReceiverCount::receivers)(SIGNAL(clicked(bool)));
}

// The warnings the console's wiring gives while a window is built.
std::vector<std::string> gWarnings;

void KeepWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) gWarnings.push_back(text.toStdString());
}

class BareConsole : public TConsoleForm {
  public:
    BareConsole(ButtonActions actions, const std::vector<CommandDecl>& rows)
        : TConsoleForm("TfBare", QStringLiteral("Bare"), nullptr, std::move(actions)) {
        auto* grid = new QGridLayout(this);
        int column = 0;
        for (const CommandDecl& row : rows) AddButton(grid, 0, column++, row);
        CheckEveryActionPlaced();
    }
};

}  // namespace

class ConsoleWiring : public MenuProgram {};

TEST_F(ConsoleWiring, EveryButtonOfEveryConsoleHasExactlyOneReceiver) {
    const struct {
        const char* item;  // the main window's slot "<item>Click"
        const char* form;
    } consoles[] = {
        {"N9", "TfEquManage"},     {"N10", "TfServer"},         {"K1", "TfDVRN"},
        {"N12", "TfAppEbike"},     {"N6408081", "Tf640Manage"}, {"N13", "TfwlwManage"},
        {"Q711", "TfBrel"},        {"N21", "TfRK_mtv"},         {"N23", "TfCCDJ"},
        {"WIFI1", "TfWifiShoes"},  {"N24", "TfBagManage"},      {"PW33101", "TfPW3310"},
        {"PW33184G1", "TfPW3318"}, {"N26", "TfSFWatch"},        {"N15", "TfCallTest"},
        {"N16", "TfSmsTest"},      {"N17", "TfMoni"},           {"N18", "TfDebug"},
        {"N22", "TfNetTest"},      {"N25", "TfQRCreate"},       {"LOG1", "TfLog"},
        {"N20", "TfAbout"},
    };
    for (const auto& c : consoles) {
        SCOPED_TRACE(c.form);
        OpenFromMenu(c.item);
        auto* window = qobject_cast<TConsoleForm*>(OpenedWindow(c.form));
        ASSERT_NE(window, nullptr) << "not open, or not a console";
        for (const QPushButton* button : window->findChildren<QPushButton*>()) {
            EXPECT_EQ(ClickReceivers(button), 1) << button->objectName().toStdString();
        }
    }
}

TEST_F(ConsoleWiring, ARowWithoutFrameOrActionAndAnActionWithoutButtonAreReported) {
#ifndef QT_NO_DEBUG
    GTEST_SKIP() << "a debug build stops at the assertion instead";
#endif
    const struct {
        const char* legend;
        std::vector<std::string> actions;
        std::vector<CommandDecl> rows;
        std::vector<std::string> warnings;
    } cases[] = {
        {"a frame needs no action", {}, {Button("SpeedButton1", "Send", 0x0101)}, {}},
        {"an action for a row without a frame", {"SpeedButton1"}, {Button("SpeedButton1", "Local")}, {}},
        {"an action before a row's frame", {"SpeedButton1"}, {Button("SpeedButton1", "Both", 0x0101)}, {}},
        {"a renamed row leaves its action unplaced and itself dead",
         {"SpeedButton1"},
         {Button("SpeedButton2", "Local")},
         {"TfBare: button SpeedButton2 has neither a frame nor an action",
          "TfBare: no button SpeedButton1 for its action"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.legend);
        ButtonActions actions;
        for (const std::string& name : c.actions) actions[name] = [] {};
        gWarnings.clear();
        const QtMessageHandler was = qInstallMessageHandler(KeepWarning);
        BareConsole console(std::move(actions), c.rows);
        qInstallMessageHandler(was);
        EXPECT_EQ(gWarnings, c.warnings);
    }
}

TEST_F(ConsoleWiring, TheWindowsActionRunsBeforeItsRowsFrame) {
    std::vector<std::string> order;
    BareConsole console(
        {{"SpeedButton1", [&] { order.push_back("action:" + std::to_string(port.lines.size())); }}},
        {Button("SpeedButton1", "Both", 0x0101)});
    console.findChild<QPushButton*>("SpeedButton1")->click();
    EXPECT_EQ(order, std::vector<std::string>{"action:0"});
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(ParseLine(port.lines[0]).cmd, 0x0101);
}
