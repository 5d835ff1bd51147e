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
class QScrollArea;

class TConsoleForm : public QWidget {
    Q_OBJECT
  public:
    TConsoleForm(const char* formName, const QString& caption, QWidget* parent);

    // Adds the button of a row to the grid; its click calls the slot "<button>Click" when the window has
    // one (SpeedButton<n>Click), else NamedButtonClick with the button's name.
    QPushButton* AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl);
    // Lays out controls and command buttons on `page`: controls and buttons named by some button's
    // `beside` go on that button's row, the other controls on rows above the buttons, `perRow` to a row;
    // buttons with nothing beside them also go `perRow` to a row.
    void LayOutCommands(QWidget* page, const std::vector<ControlDecl>& controls,
                        const std::vector<CommandDecl>& commands, int perRow = 1);

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
    // Stops what the window runs on its own (its polls) when it closes; the window opener then lets go of
    // its global pointer and frees it. Windows with nothing to stop keep the default, which does nothing.
    virtual void FormClose() {}

  protected:
    // Runs the command row of the button, if the window declared one.
    virtual void ButtonClick(int n);
    // The click of a button without a slot of its own: runs its command row, if it has a command.
    virtual void NamedButtonClick(const std::string& button);
    void SetCommands(const std::vector<CommandDecl>* commands) { commands_ = commands; }
    const CommandDecl* FindCommand(int n) const;
    const CommandDecl* FindCommand(const std::string& button) const;
    void closeEvent(QCloseEvent* event) override;

  private:
    const std::vector<CommandDecl>* commands_ = nullptr;
};

// Fixes a window with a fixed border at `drawn` (its size as first drawn), or larger where its controls,
// measured at the fonts in use, need more room. Call once its layout is complete.
void FixSizeAtLeast(QWidget* window, QSize drawn);
// Widens a scrolled page so its content never scrolls sideways; it may still scroll down.
void NoSidewaysScroll(QScrollArea* scroll);

// A window made only of controls and command buttons: controls and buttons named by some button's `beside`
// go on that button's row, the other controls on rows above the buttons.
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
