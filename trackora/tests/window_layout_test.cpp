// Every window as the menu opens it, with typical values in its labels: each label, edit, combo box,
// check box and grid column must show its whole text in the space the layout gives it, inside its
// parent, at the fonts in use; and on a 1366 x 768 desktop the start-up windows open fully inside the
// main window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTableView>
#include <functional>
#include <string>
#include <vector>

#include "console_fixture.h"
#include "link/OutPut.h"
#include "link/PublicData.h"
#include "link/ReplyTable.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "support/LogCapture.h"
#include "tools/TestWindowData.h"
#include "tools/ToolForm.h"

namespace {

// A 1366 x 768 desktop's available area, less the title bar that the window manager adds to the main
// window (the offscreen platform draws none).
constexpr int kTitleBar = 30;
const QRect kSmallDesktop(0, 0, 1366, 768 - kTitleBar);

QString Where(const QWidget* w) {
    QString path =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    for (const QWidget* p = w->parentWidget(); p != nullptr && !p->isWindow(); p = p->parentWidget())
        if (!p->objectName().isEmpty()) path = p->objectName() + "." + path;
    return path;
}

int WidestLine(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// The width a line edit draws its text in, as the edit itself computes it before painting.
int EditTextRoom(const QLineEdit* edit) {
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.rect = edit->contentsRect();
    opt.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    opt.state |= QStyle::State_Sunken;
    QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
    room = room.marginsRemoved(edit->textMargins());
    constexpr int kEditSideMargin = 2;  // the edit's own gap on each side of its text
    return room.width() - 2 * kEditSideMargin;
}

int ComboTextRoom(const QComboBox* combo) {
    if (combo->lineEdit() != nullptr) return EditTextRoom(combo->lineEdit());
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = false;
    return combo->style()
        ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
        .width();
}

// One line per text that does not fit, or per control that sticks out of its parent's visible area.
std::vector<std::string> Misfits(QWidget* window) {
    std::vector<std::string> found;
    auto report = [&](const QWidget* w, const QString& what, int need, int room) {
        if (need > room)
            found.push_back(QStringLiteral("%1 %2: needs %3 px, has %4")
                                .arg(Where(w), what)
                                .arg(need)
                                .arg(room)
                                .toStdString());
    };
    auto shown = [&](const QWidget* w) { return w->isVisibleTo(window); };
    auto inside = [&](const QWidget* w) {
        const QWidget* parent = w->parentWidget();
        if (parent == nullptr || w->isWindow()) return;
        if (!parent->rect().contains(w->geometry()))
            found.push_back(QStringLiteral("%1 lies outside %2").arg(Where(w), Where(parent)).toStdString());
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!shown(label) || label->wordWrap() || label->text().isEmpty()) continue;
        const int margins = 2 * label->margin() + std::max(label->indent(), 0);
        report(label, "\"" + label->text() + "\"", WidestLine(label->fontMetrics(), label->text()),
               label->contentsRect().width() - margins);
        inside(label);
    }
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        if (!shown(edit) || qobject_cast<QComboBox*>(edit->parentWidget()) != nullptr) continue;
        report(edit, "\"" + edit->text() + "\"", edit->fontMetrics().horizontalAdvance(edit->text()),
               EditTextRoom(edit));
        inside(edit);
    }
    for (QComboBox* combo : window->findChildren<QComboBox*>()) {
        if (!shown(combo)) continue;
        // The user may pick any item, so the box must hold the longest of them and the text typed in.
        QString longest = combo->currentText();
        for (int i = 0; i < combo->count(); ++i)
            if (combo->fontMetrics().horizontalAdvance(combo->itemText(i)) >
                combo->fontMetrics().horizontalAdvance(longest))
                longest = combo->itemText(i);
        report(combo, "\"" + longest + "\"", combo->fontMetrics().horizontalAdvance(longest),
               ComboTextRoom(combo));
        inside(combo);
    }
    for (QAbstractButton* box : window->findChildren<QAbstractButton*>()) {
        if (!shown(box) ||
            (qobject_cast<QCheckBox*>(box) == nullptr && qobject_cast<QRadioButton*>(box) == nullptr))
            continue;
        report(box, "\"" + box->text() + "\"", box->sizeHint().width(), box->width());
        inside(box);
    }
    for (QTableView* grid : window->findChildren<QTableView*>()) {
        if (!shown(grid)) continue;
        inside(grid);
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->isColumnHidden(c)) continue;
            const QString name = grid->model()->headerData(c, Qt::Horizontal).toString();
            const int need = std::max(static_cast<const QAbstractItemView*>(grid)->sizeHintForColumn(c),
                                      grid->horizontalHeader()->sectionSizeHint(c));
            report(grid, "column " + name, need, grid->columnWidth(c));
        }
    }
    for (QScrollArea* scroll : window->findChildren<QScrollArea*>()) {
        if (shown(scroll) && scroll->horizontalScrollBar()->maximum() > 0)
            found.push_back((Where(scroll) + " scrolls sideways").toStdString());
    }
    return found;
}

// Checks the window with each page of each of its page controls in front in turn.
std::vector<std::string> MisfitsOnEveryPage(QWidget* window) {
    std::vector<std::string> found = Misfits(window);
    for (QTabWidget* pages : window->findChildren<QTabWidget*>()) {
        const int was = pages->currentIndex();
        for (int i = 0; i < pages->count(); ++i) {
            if (i == was) continue;
            pages->setCurrentIndex(i);
            QApplication::processEvents();
            for (const std::string& misfit : Misfits(window))
                found.push_back(pages->tabText(i).toStdString() + ": " + misfit);
        }
        pages->setCurrentIndex(was);
    }
    return found;
}

class WindowLayout : public ::testing::Test {
  protected:
    WindowLayout() {
        main = new TfKQMain;
        main->Timer1->stop();
        OpenWindow("TfOutPut");
        fOutPut->Timer1->stop();
        main->UseDesktop(kSmallDesktop);
        main->show();
        main->resize(kSmallDesktop.size());  // maximised
    }
    ~WindowLayout() override { delete main; }

    QuietProgram quiet;
    LogCapture log;
    TfKQMain* main;
};

// A network status reply with values as a terminal in town sends them: a fix, six neighbour cells and
// the widest numbers each field takes.
void TypicalNetStatus() {
    std::vector<uint8_t> data = {1,    0,    120,  1,    103,                   // fix, speed 120, course 359
                                 113,  56,   1,    23,   22,   33,   44,   55,  // 113.560123, 22.334455
                                 0xFF, 0xFF, 63,   0x01, 0xC8, 0x01, 0xCC,      // ARFCN, RxLev, MNC, MCC
                                 0xFF, 0xFF, 0xFF, 0xFF, 63,   6};              // LAC, CI, TA, 6 cells
    for (int r = 0; r < kNeighbourCells; ++r)
        data.insert(data.end(), {0xFF, 0xFF, 63, 0x01, 0xC8, 0x01, 0xCC, 0xFF, 0xFF, 0xFF, 0xFF});
    ReplyRecord.Len = static_cast<int>(data.size());
    std::copy(data.begin(), data.end(), ReplyRecord.Data.begin());
}

// Presses a button of the window, then runs the input method that fills what the button shows.
std::function<void(QWidget*)> Click(const char* button, const char* input) {
    return [button, input](QWidget* window) {
        auto* pressed = window->findChild<QAbstractButton*>(QString::fromLatin1(button));
        ASSERT_NE(pressed, nullptr) << button;
        pressed->click();
        EXPECT_TRUE(QMetaObject::invokeMethod(window, input)) << input;
    };
}

TEST_F(WindowLayout, EveryTextFitsItsSpaceInEveryWindow) {
    struct Case {
        const char* item;  // the main window's slot "<item>Click"
        const char* form;
        std::function<void(QWidget*)> fill;  // typical values in its labels; nullptr keeps the start texts
    };
    const Case cases[] = {
        {"N8", "TfComManage", nullptr},
        {"N9", "TfEquManage", nullptr},
        {"N10", "TfServer", nullptr},
        {"K1", "TfDVRN", nullptr},
        {"N12", "TfAppEbike", nullptr},
        {"N6408081", "Tf640Manage", nullptr},
        {"N13", "TfwlwManage", nullptr},
        {"Q711", "TfBrel", nullptr},
        {"N21", "TfRK_mtv", nullptr},
        {"N23", "TfCCDJ", nullptr},
        {"WIFI1", "TfWifiShoes", nullptr},
        {"N24", "TfBagManage", nullptr},
        {"PW33101", "TfPW3310", nullptr},
        {"PW33184G1", "TfPW3318", nullptr},
        {"N26", "TfSFWatch", nullptr},
        {"N15", "TfCallTest", nullptr},
        {"N16", "TfSmsTest", nullptr},
        // The monitor once per mode: each shows its own panel.
        {"N17", "TfMoni", Click("SpeedButton1", "BrushSysRunInfo")},
        {"N17", "TfMoni", Click("SpeedButton2", "BrushGpsInfo")},
        {"N17", "TfMoni", Click("SpeedButton3", "ObdDataInput")},
        {"N17", "TfMoni", Click("SpeedButton4", "WifiDataInput")},
        {"N17", "TfMoni", Click("SpeedButton5", "BtDataInput")},
        {"N18", "TfDebug", nullptr},
        {"GPS1", "TfGpsFinter", nullptr},
        {"N22", "TfNetTest",
         [](QWidget*) {
             TypicalNetStatus();
             QMetaObject::invokeMethod(OpenedWindow("TfNetTest"), "NetDataInput");
         }},
        {"GPS3", "TfQ7GpsMoni", [](QWidget*) { EXPECT_TRUE(ForwardReply("TfQ7GpsMoni.GpsDataInput")); }},
        {"N14", "TfDisTest", [](QWidget*) { EXPECT_TRUE(ForwardReply("TfDisTest.DisDataInput")); }},
        {"gSensor1", "TfgSensorData", nullptr},
        {"N25", "TfQRCreate", nullptr},
        {"LOG1", "TfLog", nullptr},
        {"N20", "TfAbout", nullptr},
    };
    const QSize area = main->MdiClient->viewport()->size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        ASSERT_TRUE(QMetaObject::invokeMethod(main, (std::string(c.item) + "Click").c_str())) << c.item;
        QWidget* window = OpenedWindow(c.form);
        ASSERT_NE(window, nullptr);
        if (c.fill) c.fill(window);
        QApplication::processEvents();
        for (const std::string& misfit : MisfitsOnEveryPage(window)) ADD_FAILURE() << misfit;
        const QSize frame = WindowFrame(c.form)->size();
        EXPECT_LE(frame.width(), area.width()) << "wider than the main window holds";
        EXPECT_LE(frame.height(), area.height()) << "taller than the main window holds";
    }
    for (const std::string& misfit : MisfitsOnEveryPage(fOutPut)) ADD_FAILURE() << "TfOutPut " << misfit;
    main->Timer1Timer();  // the status bar with its clock and port state
    QApplication::processEvents();
    for (const std::string& misfit : Misfits(main->StatusBar1)) ADD_FAILURE() << "TfKQMain " << misfit;
}

TEST_F(WindowLayout, StartupWindowsOpenInsideTheMainWindowOnASmallDesktop) {
    main->resize(1087, 624);  // as the window first shows
    main->Timer1Timer();
    QApplication::processEvents();
    EXPECT_TRUE(kSmallDesktop.contains(main->frameGeometry())) << "main window beyond the desktop";
    const QRect area = main->MdiClient->viewport()->rect();
    for (const char* form : {"TfOutPut", "TfComManage", "TfEquManage", "TfServer", "TfDVRN"}) {
        QMdiSubWindow* frame = WindowFrame(form);
        ASSERT_NE(frame, nullptr) << form;
        EXPECT_TRUE(area.contains(frame->geometry()))
            << form << " at " << frame->x() << "," << frame->y() << " " << frame->width() << "x"
            << frame->height() << " in " << area.width() << "x" << area.height();
    }
}

// A window the catalog places below the top row (the monitor window at the port manager's height) must
// not run off the bottom of a main window maximised on a small desktop: it opens no taller than the room
// left below its place, and scrolls inside where its content needs more.
TEST_F(WindowLayout, AWindowPlacedBelowTheTopRowEndsInsideTheMainWindow) {
    main->setGeometry(kSmallDesktop);
    main->Timer1Timer();
    QApplication::processEvents();
    ASSERT_TRUE(QMetaObject::invokeMethod(main, "N17Click"));
    QApplication::processEvents();
    QMdiSubWindow* frame = WindowFrame("TfMoni");
    ASSERT_NE(frame, nullptr);
    const QRect area = main->MdiClient->viewport()->rect();
    EXPECT_TRUE(area.contains(frame->geometry()))
        << "TfMoni at " << frame->x() << "," << frame->y() << " " << frame->width() << "x" << frame->height()
        << " in " << area.width() << "x" << area.height();
}

}  // namespace
