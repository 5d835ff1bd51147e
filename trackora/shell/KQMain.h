// The main window: the MDI frame with its tool bar, menu, status bar and the timer whose first tick
// opens the start-up windows.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <array>
#include <optional>
#include <string>

class TfKQMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TfKQMain(QWidget* parent = nullptr);
    ~TfKQMain() override;

    QMdiArea* MdiClient;
    QToolBar* Panel1;
    std::array<QToolButton*, 8> SpeedButtons{};  // SpeedButton1..SpeedButton8
    QStatusBar* StatusBar1;
    std::array<QLabel*, 4> StatusPanels{};
    QMenuBar* MainMenu1;
    QTimer* Timer1;

    [[nodiscard]] QString PanelText(int index) const;
    // The desktop area the window keeps to: its screen's available geometry unless one is set here.
    void UseDesktop(const QRect& available);

  public slots:
    void FormCreate();
    void Timer1Timer();
    // Menu and tool bar handlers, one per item.
    void N8Click();
    void N9Click();
    void N10Click();
    void N11Click();
    void N12Click();
    void N6408081Click();
    void N13Click();
    void Q711Click();
    void N21Click();
    void N23Click();
    void WIFI1Click();
    void N24Click();
    void PW33101Click();
    void PW33184G1Click();
    void N26Click();
    void K1Click();
    void N15Click();
    void N16Click();
    void N17Click();
    void N18Click();
    void GPS1Click();
    void GPS2Click();
    void N22Click();
    void GPS3Click();
    void N14Click();
    void gSensor1Click();
    void N25Click();
    void LOG1Click();
    void N19Click();
    void N20Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();

  private:
    void BuildMenu();
    void BuildToolBar();
    void BuildStatusBar();
    // Performs the item's action: opens its window, if it has one.
    void OpenItem(const std::string& item);
    [[nodiscard]] QRect Desktop() const;
    // Grows the window until every open child shows whole, as far as the desktop allows, and keeps
    // the whole frame on the desktop.
    void FitToDesktop();

    std::optional<QRect> desktop_;
};

extern TfKQMain* fKQMain;

// Application-wide settings of the program block: the application's title "Vantrel".
void InitApplication();
