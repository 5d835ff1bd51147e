#include "shell/KQMain.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>

#include "link/PublicData.h"
#include "platform/Clock.h"
#include "platform/HiddenLayout.h"
#include "shell/WindowCatalog.h"
#include "shell/WindowOpener.h"

TfKQMain* fKQMain = nullptr;

namespace {

// The first tick comes soon after start so the start-up windows open once the frame is up; later
// ticks only refresh the status bar.
constexpr int kFirstTickMs = 50;
constexpr int kTickMs = 1000;
constexpr int kWidth = 1087;
constexpr int kHeight = 624;

struct MenuRow {
    const char* item;
    const char* caption;
    const char* menu;  // the item's menu; nullptr for a menu of the bar
    const char* form;  // the window it opens; nullptr for none
    bool shown;        // in the normal layout
};

constexpr MenuRow kMenu[] = {
    {"N1", "SysManage", nullptr, nullptr, true},
    {"N8", "Com Manage", "N1", "TfComManage", true},
    {"N9", "Euq Manage", "N1", "TfEquManage", true},
    {"N10", "Server Params", "N1", "TfServer", true},
    {"N11", "Exit", "N1", nullptr, true},
    {"N2", "Equ", nullptr, nullptr, true},
    {"N12", "电瓶车终端(通用)", "N2", "TfAppEbike", false},
    {"N6408081", "640终端", "N2", "Tf640Manage", false},
    {"N13", "物联网协议终端", "N2", "TfwlwManage", false},
    {"Q711", "遥控钥匙终端", "N2", "TfBrel", false},
    {"N21", "模块终端", "N2", "TfRK_mtv", false},
    {"N23", "超常待机终端", "N2", "TfCCDJ", false},
    {"WIFI1", "WIFI/GPS定位鞋", "N2", "TfWifiShoes", false},
    {"N24", "定位书包管理", "N2", "TfBagManage", false},
    {"PW33101", "PW3310定位手表", "N2", "TfPW3310", false},
    {"PW33184G1", "PW3318_4G手表", "N2", "TfPW3318", false},
    {"N26", "司法手表终端", "N2", "TfSFWatch", false},
    {"K1", "Gps Euq Manage", "N2", "TfDVRN", true},
    {"N3", "Call", nullptr, nullptr, true},
    {"N15", "Call Manage", "N3", "TfCallTest", true},
    {"N4", "Sms", nullptr, nullptr, true},
    {"N16", "Sms Manage", "N4", "TfSmsTest", true},
    {"N5", "Moni", nullptr, nullptr, true},
    {"N17", "Moni Windows", "N5", "TfMoni", true},
    {"N18", "Debug Windows", "N5", "TfDebug", true},
    {"GPS1", "GPS滤波测试", "N5", "TfGpsFinter", false},
    {"GPS2", "GPS静态漂移测试", "N5", nullptr, false},
    {"N22", "网络参数测试", "N5", "TfNetTest", false},
    {"GPS3", "GPS记录仪", "N5", "TfQ7GpsMoni", false},
    {"N14", "里程测试", "N5", "TfDisTest", false},
    {"gSensor1", "大气压传感器分析", "N5", "TfgSensorData", false},
    {"N25", "二维码生成器", "N5", "TfQRCreate", false},
    {"LOG1", "设备LOG读取", "N5", "TfLog", false},
    {"N6", "Product", nullptr, nullptr, false},
    {"N19", "配置管理", "N6", nullptr, false},
    {"N7", "About", nullptr, nullptr, true},
    {"N20", "About", "N7", "TfAbout", true},
};

struct ButtonRow {
    const char* caption;
    const char* form;
};

// SpeedButton1..SpeedButton8; "Manage" has no action.
constexpr ButtonRow kButtons[] = {
    {"ComManage", "TfComManage"}, {"EquManage", "TfEquManage"}, {"Moni", "TfMoni"},  {"Debug", "TfDebug"},
    {"Call", "TfCallTest"},       {"Sms", "TfSmsTest"},         {"Manage", nullptr}, {"About", "TfAbout"},
};

struct PanelRow {
    const char* text;
    int width;
};

constexpr PanelRow kPanels[] = {
    {"Vantrel Soft", 250}, {"串口状态：", 250}, {"系统状态：", 250}, {"系统时间：", 50}};

}  // namespace

void InitApplication() {
    QApplication::setApplicationName("Vantrel");
    QApplication::setApplicationDisplayName("Vantrel");
}

TfKQMain::TfKQMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("TfKQMain");
    setWindowTitle("Codrane_Enlish-D1065");
    resize(QSize(kWidth, kHeight).boundedTo(Desktop().size()));
    MdiClient = new QMdiArea(this);
    MdiClient->setObjectName("MdiClient");
    // Children placed beyond the area (the start-up windows on a small screen) stay reachable.
    MdiClient->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MdiClient->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(MdiClient);
    RegisterAllWindows();
    SetWindowHost(MdiClient);
    BuildMenu();
    BuildToolBar();
    BuildStatusBar();
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kFirstTickMs);
    connect(Timer1, &QTimer::timeout, this, &TfKQMain::Timer1Timer);
    FormCreate();
    Timer1->start();
}

TfKQMain::~TfKQMain() {
    Timer1->stop();
    CloseAllWindows();
    if (fKQMain == this) fKQMain = nullptr;
}

void TfKQMain::BuildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    std::map<std::string, QMenu*> menus;
    for (const MenuRow& row : kMenu) {
        const bool shown = row.shown || kShowHiddenControls;
        if (row.menu == nullptr) {
            QMenu* menu = MainMenu1->addMenu(QString::fromUtf8(row.caption));
            menu->setObjectName(row.item);
            menu->menuAction()->setObjectName(row.item);
            menu->menuAction()->setVisible(shown);
            menus[row.item] = menu;
            continue;
        }
        QAction* action = menus.at(row.menu)->addAction(QString::fromUtf8(row.caption));
        action->setObjectName(row.item);
        action->setVisible(shown);
        const QByteArray handler = QByteArray(row.item) + "Click";
        connect(action, &QAction::triggered, this,
                [this, handler] { QMetaObject::invokeMethod(this, handler); });
    }
}

void TfKQMain::BuildToolBar() {
    Panel1 = addToolBar("Panel1");
    Panel1->setObjectName("Panel1");
    Panel1->setMovable(false);
    for (size_t i = 0; i < SpeedButtons.size(); ++i) {
        auto* button = new QToolButton(Panel1);
        const QByteArray name = "SpeedButton" + QByteArray::number(static_cast<int>(i + 1));
        button->setObjectName(name);
        button->setText(kButtons[i].caption);
        Panel1->addWidget(button);
        SpeedButtons[i] = button;
        connect(button, &QToolButton::clicked, this,
                [this, handler = name + "Click"] { QMetaObject::invokeMethod(this, handler); });
    }
}

void TfKQMain::BuildStatusBar() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName("StatusBar1");
    for (size_t i = 0; i < StatusPanels.size(); ++i) {
        auto* panel = new QLabel(QString::fromUtf8(kPanels[i].text), StatusBar1);
        panel->setObjectName("Panel" + QString::number(static_cast<int>(i)));
        panel->setMinimumWidth(kPanels[i].width);
        StatusBar1->addWidget(panel);
        StatusPanels[i] = panel;
    }
}

QString TfKQMain::PanelText(int index) const {
    if (index < 0 || index >= static_cast<int>(StatusPanels.size())) return {};
    return StatusPanels[static_cast<size_t>(index)]->text();
}

void TfKQMain::FormCreate() {
    GlobalData.Started = 0;
    GlobalData.ComOpen = 0;
    StatusPanels[1]->setText("ComStatus:Close");
    StatusPanels[2]->setText("WorkStatus:WaitInput");
}

void TfKQMain::Timer1Timer() {
    if (GlobalData.Started == 0) {
        GlobalData.Started = kTrue32;
        // Whole-second ticks: the port list's timer is one too, so both fire in one wake-up.
        Timer1->setTimerType(Qt::VeryCoarseTimer);
        Timer1->setInterval(kTickMs);
        for (const char* form : {"TfComManage", "TfEquManage", "TfServer", "TfDVRN"}) OpenWindow(form);
        // The start-up windows are measured at the fonts in use, so the frame's own size may not hold them.
        FitToDesktop();
    }
    StatusPanels[3]->setText(QString::fromUtf8("Datetime：") +
                             QString::fromStdString(DateTimeText(CurrentDateTime())));
    StatusPanels[1]->setText(GlobalData.ComOpen != 0 ? "Com Status:Open" : "ComStatus:Close");
}

void TfKQMain::UseDesktop(const QRect& available) {
    desktop_ = available;
    resize(size().boundedTo(available.size()));
}

QRect TfKQMain::Desktop() const { return desktop_ ? *desktop_ : screen()->availableGeometry(); }

void TfKQMain::FitToDesktop() {
    QRect children;
    for (const QMdiSubWindow* child : MdiClient->subWindowList())
        if (child->isVisible()) children |= child->geometry();
    const int border = 2 * MdiClient->frameWidth();
    const QSize around = size() - MdiClient->size() + QSize(border, border);  // menu, tool bar, status bar
    const QSize decoration = frameGeometry().size() - size();                 // title bar and border
    const QRect desktop = Desktop();
    const QSize wanted = size()
                             .expandedTo(QSize(children.right() + 1, children.bottom() + 1) + around)
                             .boundedTo(desktop.size() - decoration);
    resize(wanted);
    const QSize outer = wanted + decoration;
    QPoint at = frameGeometry().topLeft();
    at.setX(std::clamp(at.x(), desktop.left(), desktop.right() + 1 - outer.width()));
    at.setY(std::clamp(at.y(), desktop.top(), desktop.bottom() + 1 - outer.height()));
    move(at);
}

void TfKQMain::OpenItem(const std::string& item) {
    for (const MenuRow& row : kMenu)
        if (item == row.item && row.form != nullptr) OpenWindow(row.form);
}

// One handler per item of the menu; each performs its row.
#define TRACKORA_MENU_HANDLER(name) \
    void TfKQMain::name##Click() { OpenItem(#name); }
TRACKORA_MENU_HANDLER(N8)
TRACKORA_MENU_HANDLER(N9)
TRACKORA_MENU_HANDLER(N10)
TRACKORA_MENU_HANDLER(N12)
TRACKORA_MENU_HANDLER(N6408081)
TRACKORA_MENU_HANDLER(N13)
TRACKORA_MENU_HANDLER(Q711)
TRACKORA_MENU_HANDLER(N21)
TRACKORA_MENU_HANDLER(N23)
TRACKORA_MENU_HANDLER(WIFI1)
TRACKORA_MENU_HANDLER(N24)
TRACKORA_MENU_HANDLER(PW33101)
TRACKORA_MENU_HANDLER(PW33184G1)
TRACKORA_MENU_HANDLER(N26)
TRACKORA_MENU_HANDLER(K1)
TRACKORA_MENU_HANDLER(N15)
TRACKORA_MENU_HANDLER(N16)
TRACKORA_MENU_HANDLER(N17)
TRACKORA_MENU_HANDLER(N18)
TRACKORA_MENU_HANDLER(GPS1)
TRACKORA_MENU_HANDLER(GPS2)
TRACKORA_MENU_HANDLER(N22)
TRACKORA_MENU_HANDLER(GPS3)
TRACKORA_MENU_HANDLER(N14)
TRACKORA_MENU_HANDLER(gSensor1)
TRACKORA_MENU_HANDLER(N25)
TRACKORA_MENU_HANDLER(LOG1)
TRACKORA_MENU_HANDLER(N19)
TRACKORA_MENU_HANDLER(N20)
#undef TRACKORA_MENU_HANDLER

// "Exit" closes the program: an exit item that does nothing leaves the user no way out from the menu.
void TfKQMain::N11Click() { close(); }

// The tool bar's buttons open the windows of their rows.
void TfKQMain::SpeedButton1Click() { OpenWindow(kButtons[0].form); }
void TfKQMain::SpeedButton2Click() { OpenWindow(kButtons[1].form); }
void TfKQMain::SpeedButton3Click() { OpenWindow(kButtons[2].form); }
void TfKQMain::SpeedButton4Click() { OpenWindow(kButtons[3].form); }
void TfKQMain::SpeedButton5Click() { OpenWindow(kButtons[4].form); }
void TfKQMain::SpeedButton6Click() { OpenWindow(kButtons[5].form); }
void TfKQMain::SpeedButton7Click() {}
void TfKQMain::SpeedButton8Click() { OpenWindow(kButtons[7].form); }
