#include "consoles/ConsoleForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <algorithm>

TConsoleForm::TConsoleForm(const char* formName, const QString& caption, QWidget* parent,
                           ButtonActions actions)
    : QWidget(parent), actions_(std::move(actions)) {
    setObjectName(QString::fromLatin1(formName));
    setWindowTitle(caption);
}

QPushButton* TConsoleForm::AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl) {
    std::function<void()> own;
    if (auto node = actions_.extract(decl.button)) own = std::move(node.mapped());
    if (decl.code < 0) {
        if (!own) {
            qWarning("%s: button %s has neither a frame nor an action", qPrintable(objectName()),
                     decl.button.c_str());
            Q_ASSERT_X(false, "AddButton", "a button without a frame needs the window's action");
        }
        return AddButton(grid, row, column, decl, std::move(own));
    }
    // The row is kept by value: the rows of a page hook or of the parameter buttons are temporaries.
    return AddButton(grid, row, column, decl, [this, own = std::move(own), decl] {
        if (own) own();
        (void)RunCommand(this, decl);
    });
}

QPushButton* TConsoleForm::AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl,
                                     std::function<void()> action) {
    auto* button = new QPushButton(QString::fromStdString(decl.caption), this);
    button->setObjectName(QString::fromStdString(decl.button));
    if (action) connect(button, &QPushButton::clicked, this, std::move(action));
    grid->addWidget(button, row, column);
    if (decl.hidden && !kShowHiddenControls) button->setVisible(false);
    return button;
}

void TConsoleForm::CheckEveryActionPlaced() {
    for (const auto& [button, action] : actions_) {
        qWarning("%s: no button %s for its action", qPrintable(objectName()), button.c_str());
        Q_ASSERT_X(false, "CheckEveryActionPlaced", "an action names no button of the window");
    }
    actions_.clear();
}

void FixSizeAtLeast(QWidget* window, QSize drawn) {
    window->setFixedSize(drawn.expandedTo(window->minimumSizeHint()));
}

void NoSidewaysScroll(QScrollArea* scroll) {
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    scroll->setMinimumWidth(scroll->widget()->minimumSizeHint().width() + bar + 2 * scroll->frameWidth());
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

// The window opener lets go of a closed window and frees it; FormClose only stops what the window runs.
void TConsoleForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

TCommandConsole::TCommandConsole(const CommandConsoleDecl& decl, QWidget* parent, ButtonActions actions)
    : TConsoleForm(decl.formName, QString::fromUtf8(decl.caption), parent, std::move(actions)), decl_(decl) {
    LayOutCommands(this, decl_.controls, decl_.commands);
    CheckEveryActionPlaced();
}

void TConsoleForm::LayOutCommands(QWidget* page, const std::vector<ControlDecl>& controls,
                                  const std::vector<CommandDecl>& commands, int perRow) {
    auto* grid = new QGridLayout(page);
    auto placedBeside = [&](const std::string& name) {
        return std::any_of(commands.begin(), commands.end(), [&](const CommandDecl& c) {
            return std::find(c.beside.begin(), c.beside.end(), name) != c.beside.end();
        });
    };
    int row = 0;
    int inRow = 0;
    int column = 0;
    // Starts a new row when the current one is full or must be left to a button with controls beside it.
    auto next = [&](bool alone) {
        if (inRow > 0 && (alone || inRow == perRow)) {
            ++row;
            inRow = 0;
            column = 0;
        }
    };
    for (const auto& control : controls) {
        if (placedBeside(control.name)) continue;
        next(false);
        column = AddControl(this, grid, row, column, control);
        ++inRow;
    }
    next(true);
    for (const auto& command : commands) {
        if (placedBeside(command.button)) continue;
        const bool alone = !command.beside.empty();
        next(alone);
        AddButton(grid, row, column++, command);
        ++inRow;
        if (!alone) continue;
        for (const auto& name : command.beside) {
            auto button = std::find_if(commands.begin(), commands.end(),
                                       [&](const CommandDecl& c) { return c.button == name; });
            if (button != commands.end()) {
                AddButton(grid, row, column++, *button);
                continue;
            }
            auto control = std::find_if(controls.begin(), controls.end(),
                                        [&](const ControlDecl& c) { return c.name == name; });
            if (control != controls.end()) column = AddControl(this, grid, row, column, *control);
        }
        inRow = perRow;  // the row is the button's alone
    }
    grid->setRowStretch(row + 1, 1);
}
