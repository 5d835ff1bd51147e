// The window every console is: a widget named after its form, buttons "SpeedButton<n>" whose clicks reach
// the slots SpeedButton<n>Click, and a close that runs FormClose (the window opener then frees it).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"

class QGridLayout;
class QPushButton;

class TConsoleForm : public QWidget {
    Q_OBJECT
  public:
    TConsoleForm(const char* formName, const QString& caption, QWidget* parent);

    // Adds button "SpeedButton<n>" to the grid; its click calls SpeedButton<n>Click.
    QPushButton* AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl);
    // Lays out controls and command buttons from row 0 of the grid: controls and buttons named by some
    // button's `beside` go on that button's row, the other controls on rows above the buttons. Returns the
    // first free row.
    int AddCommandRows(QGridLayout* grid, const std::vector<ControlDecl>& controls,
                       const std::vector<CommandDecl>& commands);

  public slots:
    void SpeedButton1Click() { ButtonClick(1); }
    void SpeedButton2Click() { ButtonClick(2); }
    void SpeedButton3Click() { ButtonClick(3); }
    void SpeedButton4Click() { ButtonClick(4); }
    void SpeedButton5Click() { ButtonClick(5); }
    void SpeedButton6Click() { ButtonClick(6); }
    void SpeedButton7Click() { ButtonClick(7); }
    void SpeedButton8Click() { ButtonClick(8); }
    void SpeedButton9Click() { ButtonClick(9); }
    void SpeedButton10Click() { ButtonClick(10); }
    void SpeedButton11Click() { ButtonClick(11); }
    void SpeedButton12Click() { ButtonClick(12); }
    void SpeedButton13Click() { ButtonClick(13); }
    void SpeedButton14Click() { ButtonClick(14); }
    void SpeedButton15Click() { ButtonClick(15); }
    void SpeedButton16Click() { ButtonClick(16); }
    void SpeedButton17Click() { ButtonClick(17); }
    void SpeedButton18Click() { ButtonClick(18); }
    void SpeedButton19Click() { ButtonClick(19); }
    void SpeedButton20Click() { ButtonClick(20); }
    void SpeedButton21Click() { ButtonClick(21); }
    void SpeedButton22Click() { ButtonClick(22); }
    void SpeedButton23Click() { ButtonClick(23); }
    void SpeedButton24Click() { ButtonClick(24); }
    void SpeedButton25Click() { ButtonClick(25); }
    // Clears the window's global pointer; the window is then freed. Windows that live for the whole run
    // keep the default, which does nothing.
    virtual void FormClose() {}

  protected:
    // Runs the command row of the button, if the window declared one.
    virtual void ButtonClick(int n);
    void SetCommands(const std::vector<CommandDecl>* commands) { commands_ = commands; }
    const CommandDecl* FindCommand(int n) const;
    void closeEvent(QCloseEvent* event) override;

  private:
    const std::vector<CommandDecl>* commands_ = nullptr;
};

// A window made only of controls and command buttons, laid out by AddCommandRows.
struct CommandConsoleDecl {
    const char* formName;
    const char* caption;
    std::vector<ControlDecl> controls;
    std::vector<CommandDecl> commands;
};

class TCommandConsole : public TConsoleForm {
    Q_OBJECT
  public:
    TCommandConsole(const CommandConsoleDecl& decl, QWidget* parent);

  protected:
    const CommandConsoleDecl& decl_;
};
