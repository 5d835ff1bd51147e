#include "tools/TfDebug.h"

#include <QGridLayout>

#include "link/ReplyInputs.h"
#include "tools/TestWindowData.h"
#include "tools/ToolForm.h"

TfDebug* fDebug = nullptr;

namespace {
const char* const kCleanButton = "SpeedButton2";
const char* const kSaveButton = "SpeedButton4";

const std::vector<ControlDecl>& Controls() {
    static const std::vector<ControlDecl> controls{
        ComboDecl("ComboBox1", "", {"Disable", "Enable", ""}, 1),
        {CtlKind::Check, "CheckBox1", "Show String", "", {}, 0, false},
    };
    return controls;
}

const std::vector<CommandDecl>& Commands() {
    static const std::vector<CommandDecl> commands{
        Button("SpeedButton1", "Set", 0x0308, {IndexField("ComboBox1")}),
        Button("SpeedButton3", "Query", 0x0309),
        Button(kCleanButton, "Clean"),
        Button(kSaveButton, "Save"),
    };
    return commands;
}
}  // namespace

// Clean and Save work on the memo, made in the constructor's body before any click.
TfDebug::TfDebug(QWidget* parent)
    : TConsoleForm("TfDebug", QStringLiteral("Data Debug Windows"), parent,
                   {{kCleanButton, [this] { Memo1->Clear(); }},
                    {kSaveButton, [this] { SaveLinesAndTell(this, Memo1->Lines(), "Data Save OK!!!"); }}}) {
    auto* grid = new QGridLayout(this);
    int column = 0;
    for (const ControlDecl& control : Controls()) column = AddControl(this, grid, 0, column, control);
    for (const CommandDecl& command : Commands()) AddButton(grid, 0, column++, command);
    ComboBox1 = findChild<TComboBox*>("ComboBox1");
    CheckBox1 = findChild<QCheckBox*>("CheckBox1");
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    grid->addWidget(Memo1, 1, 0, 1, column);
    grid->setRowStretch(1, 1);
    resize(640, 420);
    AddReplyInput(this, "DebugDataInput", &TfDebug::DebugDataInput);
    CheckEveryActionPlaced();
}

void TfDebug::DebugDataInput() {
    for (const std::string& line :
         DebugLines(ReplyRecord, CheckBox1->isChecked(), ClockText(kDateTimeFormat)))
        Memo1->AppendLine(line);
}
