// The window every console is: a widget named after its form, buttons each connected once, as they are
// built, to what they do (their row's frame, the window's own action, or both), and a close that runs
// FormClose (the window opener then frees it).
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"

class QGridLayout;
class QPushButton;
class QScrollArea;

// A window's own actions for buttons its tables declare, by button name. A table row says what a button
// sends; the window says what it does besides (or instead, for a row without a frame). The window hands
// them to its console's constructor, so each button is connected once, while it is built.
using ButtonActions = std::map<std::string, std::function<void()>>;
// The action of a button the window shows but does nothing with; naming it tells it from a dead one.
inline void NoAction() {}

class TConsoleForm : public QWidget {
    Q_OBJECT
  public:
    TConsoleForm(const char* formName, const QString& caption, QWidget* parent, ButtonActions actions = {});

    // Adds the button of a row to the grid; its click runs the window's own action for the button, if it
    // gave one, then the row's frame, if the row has one.
    QPushButton* AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl);
    // Adds a button whose click is the window's `action` alone.
    QPushButton* AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl,
                           std::function<void()> action);
    // Lays out controls and command buttons on `page`: controls and buttons named by some button's
    // `beside` go on that button's row, the other controls on rows above the buttons, `perRow` to a row;
    // buttons with nothing beside them also go `perRow` to a row.
    void LayOutCommands(QWidget* page, const std::vector<ControlDecl>& controls,
                        const std::vector<CommandDecl>& commands, int perRow = 1);

  public slots:
    // Stops what the window runs on its own (its polls) when it closes; the window opener then lets go of
    // its global pointer and frees it. Windows with nothing to stop keep the default, which does nothing.
    virtual void FormClose() {}

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Once the console is built: an action whose button no table made is a renamed row gone dead.
    void CheckEveryActionPlaced();

  private:
    ButtonActions actions_;  // those not placed yet
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
    TCommandConsole(const CommandConsoleDecl& decl, QWidget* parent, ButtonActions actions = {});

  protected:
    const CommandConsoleDecl& decl_;
};
