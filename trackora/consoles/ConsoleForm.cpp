#include "consoles/ConsoleForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QPushButton>
#include <algorithm>

TConsoleForm::TConsoleForm(const char* formName, const QString& caption, QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromLatin1(formName));
    setWindowTitle(caption);
}

QPushButton* TConsoleForm::AddButton(QGridLayout* grid, int row, int column, const CommandDecl& decl) {
    auto* button = new QPushButton(QString::fromStdString(decl.caption), this);
    button->setObjectName(QString::fromStdString(decl.button));
    const std::string slot = decl.button + "Click";
    const bool hasSlot = metaObject()->indexOfSlot((slot + "()").c_str()) >= 0;
    connect(button, &QPushButton::clicked, this, [this, slot, hasSlot, name = decl.button] {
        if (hasSlot)
            QMetaObject::invokeMethod(this, slot.c_str(), Qt::DirectConnection);
        else
            CommandClick(name);
    });
    grid->addWidget(button, row, column);
    if (decl.hidden && !kShowHiddenControls) button->setVisible(false);
    return button;
}

const CommandDecl* TConsoleForm::FindCommand(const std::string& button) const {
    if (!commands_) return nullptr;
    auto it = std::find_if(commands_->begin(), commands_->end(),
                           [&](const CommandDecl& c) { return c.button == button; });
    return it == commands_->end() ? nullptr : &*it;
}

void TConsoleForm::ButtonClick(int n) { CommandClick("SpeedButton" + std::to_string(n)); }

void TConsoleForm::CommandClick(const std::string& button) {
    if (const CommandDecl* decl = FindCommand(button); decl && decl->code >= 0) (void)RunCommand(this, *decl);
}

// The window opener frees a closed window; FormClose only lets go of the global pointer.
void TConsoleForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

int TConsoleForm::AddCommandRows(QGridLayout* grid, int row, const std::vector<ControlDecl>& controls,
                                 const std::vector<CommandDecl>& commands) {
    auto placedBeside = [&](const std::string& name) {
        return std::any_of(commands.begin(), commands.end(), [&](const CommandDecl& c) {
            return std::find(c.beside.begin(), c.beside.end(), name) != c.beside.end();
        });
    };
    for (const auto& control : controls) {
        if (!placedBeside(control.name)) AddControl(this, grid, row++, 0, control);
    }
    for (const auto& command : commands) {
        if (placedBeside(command.button)) continue;
        AddButton(grid, row, 0, command);
        int column = 1;
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
        ++row;
    }
    return row;
}

TCommandConsole::TCommandConsole(const CommandConsoleDecl& decl, QWidget* parent)
    : TConsoleForm(decl.formName, QString::fromUtf8(decl.caption), parent), decl_(decl) {
    SetCommands(&decl_.commands);
    auto* grid = new QGridLayout(this);
    grid->setRowStretch(AddCommandRows(grid, 0, decl_.controls, decl_.commands), 1);
}
