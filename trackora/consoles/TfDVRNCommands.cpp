// The vehicle-tracker console's command pages: what their rows cannot say.
#include <QGridLayout>
#include <QLabel>

#include "consoles/DvrnCommands.h"
#include "consoles/ImeiAtFlow.h"
#include "consoles/TfDVRN.h"
#include "link/LogMemo.h"
#include "link/ReplyFormat.h"

namespace {

const char* const kReceivedPrefix = "接收提示：";
constexpr int kMemoMinHeight = 120;
// Plain buttons and lone controls go this many to a row, so the pages stay short.
constexpr int kPerRow = 4;
// The operation last started outlives the window, as the console unit's own state.
ImeiAtMode g_imeiMode = ImeiAtMode::None;

const CommandDecl* FindPageCommand(const std::string& button) {
    for (const auto& page : DvrnCommandPages()) {
        for (const auto& command : page.commands) {
            if (command.button == button) return &command;
        }
    }
    return nullptr;
}

}  // namespace

void TfDVRN::BuildCommandPage(QWidget* page, const CommandPage& decl) {
    LayOutCommands(page, decl.controls, decl.commands, kPerRow);
    auto* grid = qobject_cast<QGridLayout*>(page->layout());
    int row = grid->rowCount();
    if (std::string(decl.caption) == "Car") {
        grid->setRowStretch(row - 1, 0);  // the memo takes the room below the buttons
        Label16 = new QLabel(QString::fromUtf8(kReceivedPrefix), page);
        Label16->setObjectName(QStringLiteral("Label16"));
        grid->addWidget(Label16, row++, 0, 1, -1);
        Memo1 = new LogMemo(page);
        Memo1->setObjectName(QStringLiteral("Memo1"));
        Memo1->setMinimumHeight(kMemoMinHeight);
        grid->addWidget(Memo1, row++, 0, 1, -1);
        if (!kShowHiddenControls) {
            Label16->setVisible(false);
            Memo1->setVisible(false);
        }
    }
    grid->setRowStretch(row, 1);
}

void TfDVRN::MakeImeiFlow() {
    imeiFlow_ = new TImeiAtFlow(
        Timer1, Timer1->interval(),
        {PlainMessage(QStringLiteral("Input Length Rsq 15")), "IMEI SET OK", "IMEI READ OK"}, g_imeiMode,
        [this] { return EditText(this, kImeiEdit); }, this);
    imeiFlow_->SetAfterWrite([this] { NextImei(); });
}

void TfDVRN::Timer1Timer() { imeiFlow_->Tick(); }

void TfDVRN::NextImei() {
    if (!IsChecked(this, kAutoAddBox)) return;
    const QString text = EditText(this, kImeiEdit);
    if (const auto next = NextImeiText(text.toStdString())) {
        SetEditText(this, kImeiEdit, QString::fromStdString(*next));
    } else {
        ShowUserMessage(ConversionError(text));
    }
}

void TfDVRN::PageCommand(const std::string& button) {
    const CommandDecl* decl = FindPageCommand(button);
    if (!decl) return;
    if (decl->code >= 0) {
        (void)RunCommand(this, *decl);
    } else if (button == kSetImeiButton) {
        (void)imeiFlow_->StartWrite();
    } else if (button == kReadImeiButton) {
        imeiFlow_->StartRead();
    } else if (button == kClearTyreMemoButton) {
        Memo1->Clear();
    }
}

void TfDVRN::TaiYaDataInput() {
    Label16->setText(QString::fromUtf8(kReceivedPrefix) + QString::fromStdString(HexDump(ReplyRecord)));
    const auto head = TaiYaHeadLine(ReplyRecord);
    if (!head) return;
    Memo1->AppendLine(*head);
    if (TaiYaCarriesStates(ReplyRecord)) {
        const ReplyBytes b(ReplyRecord);
        std::array<uint8_t, 6> states{};
        for (size_t i = 0; i < states.size(); ++i) states[i] = b.At(3 + static_cast<int>(i));
        ShowTaiYaInfo(b.At(2), states);
    }
}

void TfDVRN::ShowTaiYaInfo(int count, const std::array<uint8_t, 6>& states) {
    const std::string line = TyreStateLine(count, states);
    if (!line.empty()) Memo1->AppendLine(line);
}
