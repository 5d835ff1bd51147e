// The vehicle-tracker console's command pages: what their rows cannot say.
#include <QLabel>
#include <QVBoxLayout>

#include "consoles/DvrnCommands.h"
#include "consoles/ImeiAtFlow.h"
#include "consoles/TfDVRN.h"
#include "link/LogMemo.h"
#include "link/ReplyFormat.h"

namespace {

const char* const kReceivedPrefix = "接收提示：";
constexpr int kMemoMinHeight = 120;
// The operation last started outlives the window, as the console unit's own state.
ImeiAtMode g_imeiMode = ImeiAtMode::None;

}  // namespace

void TfDVRN::BuildTyreMemo(TParamConsole&, QWidget* page, QVBoxLayout* column) {
    auto* label = new QLabel(QString::fromUtf8(kReceivedPrefix), page);
    label->setObjectName(QStringLiteral("Label16"));
    column->addWidget(label);
    auto* memo = new LogMemo(page);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setMinimumHeight(kMemoMinHeight);
    column->addWidget(memo, 1);  // the memo takes the room below the buttons
    if (!kShowHiddenControls) {
        label->setVisible(false);
        memo->setVisible(false);
    }
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

// The members the actions use are made in the constructor's body, before any click.
ButtonActions TfDVRN::Actions(TfDVRN* self) {
    return {
        {kSetImeiButton, [self] { (void)self->imeiFlow_->StartWrite(); }},
        {kReadImeiButton, [self] { self->imeiFlow_->StartRead(); }},
        {kClearTyreMemoButton, [self] { self->Memo1->Clear(); }},
        {kCallBackButton, NoAction},
    };
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
