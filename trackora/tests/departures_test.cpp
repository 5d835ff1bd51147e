// Windows as their layouts give them, each opened from its menu item and checked by the names of its
// controls: the lone clock choice that a click never clears, units beside their fields, the shoe console's
// page, the e-bike note and group headings, border buttons, and the barometer's out-of-view strip.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <functional>

#include "menu_fixture.h"
#include "platform/HiddenLayout.h"

namespace {

using Departures = MenuProgram;

template <class T>
T* Named(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QString LabelText(QWidget* window, const char* name) {
    const QLabel* label = Named<QLabel>(window, name);
    return label ? label->text() : QString();
}

// The border buttons of an opened window, as its MDI frame offers them: the system menu, minimise when
// asked for, never maximise.
void ExpectBorder(QWidget* window, bool minimize) {
    const auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    ASSERT_NE(frame, nullptr);
    const Qt::WindowFlags border = frame->windowFlags();
    EXPECT_TRUE(border.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_EQ(border.testFlag(Qt::WindowMinimizeButtonHint), minimize);
    EXPECT_FALSE(border.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(Departures, EachWindowAsItsLayoutGivesIt) {
    struct Row {
        const char* item;  // the menu item that opens the window
        const char* form;
        const char* legend;
        std::function<void(QWidget*, RecordingPort&)> check;
    };
    const Row rows[] = {
        {"N23", "TfCCDJ", "a click leaves the lone PC clock choice checked, and the PC's time goes out",
         [](QWidget* w, RecordingPort& port) {
             auto* pc = Named<QAbstractButton>(w, "Value_SYNC_DT_PC");
             ASSERT_NE(pc, nullptr);
             EXPECT_TRUE(pc->isChecked()) << "at start";
             pc->click();
             EXPECT_TRUE(pc->isChecked()) << "after one click";
             pc->click();
             EXPECT_TRUE(pc->isChecked()) << "after two";
             Named<QLineEdit>(w, "Value_SYNC_DT")->setText("15-05-15 00:00:01");
             Named<QCheckBox>(w, "Check_SYNC_DT")->setChecked(true);
             port.lines.clear();
             Named<QPushButton>(w, "SpeedButton1")->click();
             ASSERT_EQ(port.lines.size(), 1u);
             EXPECT_EQ(ParseLine(port.lines[0]).payload, "#SYNC_DT=2024-12-08 09:05:03");
         }},
        {"N23", "TfCCDJ", "the FREQ edit of \"定时模式\" is in seconds",
         [](QWidget* w, RecordingPort&) { EXPECT_EQ(LabelText(w, "Value_FREQ_Unit"), "秒"); }},
        {"WIFI1", "TfWifiShoes", "its fields sit on one page \"参数管理\"",
         [](QWidget* w, RecordingPort&) {
             auto* pages = Named<QTabWidget>(w, "PageControl1");
             ASSERT_NE(pages, nullptr);
             EXPECT_EQ(pages->count(), 1);
             EXPECT_EQ(pages->tabText(0), "参数管理");
             EXPECT_NE(pages->widget(0)->findChild<QCheckBox*>("Check_IMEI"), nullptr);
         }},
        {"N12", "TfAppEbike", "page 0 carries the red IMEI note",
         [](QWidget* w, RecordingPort&) {
             const QLabel* note = Named<QLabel>(w, "LabelImeiNote");
             ASSERT_NE(note, nullptr);
             EXPECT_EQ(note->text(), "注：此IMEI只用于平台通信,入网IMEI请单独写入。");
             EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(Qt::red));
             EXPECT_TRUE(Named<QWidget>(w, "TabSheet1")->isAncestorOf(note));
         }},
        {"N12", "TfAppEbike", "page 8 heads its two groups, each holding its own fields",
         [](QWidget* w, RecordingPort&) {
             const QGroupBox* download = Named<QGroupBox>(w, "GroupBox1");
             const QGroupBox* decide = Named<QGroupBox>(w, "GroupBox2");
             ASSERT_TRUE(download && decide);
             EXPECT_EQ(download->title(), "升级文件下载平台配置");
             EXPECT_EQ(decide->title(), "终端自动升级判定平台配置");
             for (const char* box : {"Check_DW_ADDR", "Check_DW_PORT", "Check_DW_FLAG"})
                 EXPECT_NE(download->findChild<QCheckBox*>(box), nullptr) << box;
             for (const char* box :
                  {"Check_AUTO_ENABLE", "Check_AUTO_ADDR", "Check_AUTO_PORT", "Check_AUTO_FLAG"})
                 EXPECT_NE(decide->findChild<QCheckBox*>(box), nullptr) << box;
             EXPECT_TRUE(Named<QWidget>(w, "TabSheet9")->isAncestorOf(download));
         }},
        {"N12", "TfAppEbike", "\"报警次数限制\" counts in \"次\"",
         [](QWidget* w, RecordingPort&) { EXPECT_EQ(LabelText(w, "Value_WARN_TIMES_Unit"), "次"); }},
        {"N12", "TfAppEbike", "the border gives the system menu and minimise only",
         [](QWidget* w, RecordingPort&) { ExpectBorder(w, true); }},
        {"Q711", "TfBrel", "the border gives the system menu only",
         [](QWidget* w, RecordingPort&) { ExpectBorder(w, false); }},
        {"gSensor1", "TfgSensorData", "the recording strip is out of view",
         [](QWidget* w, RecordingPort&) {
             for (const char* name :
                  {"SpeedButton8", "SpeedButton9", "SpeedButton10", "SpeedButton11", "Button1", "CheckBox4"})
                 EXPECT_EQ(Named<QWidget>(w, name)->isVisibleTo(w), kShowHiddenControls) << name;
             for (const char* name : {"SpeedButton1", "SpeedButton7"})
                 EXPECT_TRUE(Named<QWidget>(w, name)->isVisibleTo(w)) << name;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.form) + ": " + row.legend);
        OpenFromMenu(row.item);
        QWidget* window = OpenedWindow(row.form);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->objectName(), row.form);
        row.check(window, port);
    }
}

}  // namespace
