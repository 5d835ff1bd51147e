#include "consoles/ConsoleForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <algorithm>

TConsoleForm::TConsoleForm(const char* formName, const QString& caption, QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromLatin1(formName));
    setWindowTitle(caption);
}

QPushButton* TConsoleForm::AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl) {
    auto* button = new QPushButton(QString::fromStdString(decl.caption), this);
    button->setObjectName(QString::fromStdString(decl.button));
    const std::string slot = decl.button + "Click";
    if (metaObject()->indexOfSlot((slot + "()").c_str()) >= 0) {
        connect(button, &QPushButton::clicked, this,
                [this, slot] { QMetaObject::invokeMethod(this, slot.c_str(), Qt::DirectConnection); });
    } else {
        connect(button, &QPushButton::clicked, this, [this, name = decl.button] { NamedButtonClick(name); });
    }
    grid->addWidget(button, row, column);
    if (decl.hidden && !kShowHiddenControls) button->setVisible(false);
    return button;
}

void FixSizeAtLeast(QWidget* window, QSize drawn) {
    window->setFixedSize(drawn.expandedTo(window->minimumSizeHint()));
}

void NoSidewaysScroll(QScrollArea* scroll) {
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    scroll->setMinimumWidth(scroll->widget()->minimumSizeHint().width() + bar + 2 * scroll->frameWidth());
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

const CommandDecl* TConsoleForm::FindCommand(int n) const {
    return FindCommand("SpeedButton" + std::to_string(n));
}

const CommandDecl* TConsoleForm::FindCommand(const std::string& button) const {
    if (!commands_) return nullptr;
    auto it = std::find_if(commands_->begin(), commands_->end(),
                           [&](const CommandDecl& c) { return c.button == button; });
    return it == commands_->end() ? nullptr : &*it;
}

void TConsoleForm::ButtonClick(int n) { NamedButtonClick("SpeedButton" + std::to_string(n)); }

void TConsoleForm::NamedButtonClick(const std::string& button) {
    if (const CommandDecl* decl = FindCommand(button); decl && decl->code >= 0) (void)RunCommand(this, *decl);
}

// The window opener lets go of a closed window and frees it; FormClose only stops what the window runs.
void TConsoleForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

TCommandConsole::TCommandConsole(const CommandConsoleDecl& decl, QWidget* parent)
    : TConsoleForm(decl.formName, QString::fromUtf8(decl.caption), parent), decl_(decl) {
    SetCommands(&decl_.commands);
    LayOutCommands(this, decl_.controls, decl_.commands);
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
