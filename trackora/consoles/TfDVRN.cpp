#include "consoles/TfDVRN.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "consoles/DvrnCommands.h"
#include "consoles/DvrnTables.h"
#include "link/LogMemo.h"
#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "link/ReplyInputs.h"
#include "link/ReplyTable.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"

TfDVRN* fDVRN = nullptr;

namespace {

// The tracker needs time to store one batch of parameters before it can take the next.
constexpr int kBatchPauseMs = 300;
// The IMEI steps of the Debug page repeat their AT line at this pace.
constexpr int kTimer1IntervalMs = 300;
// Plain buttons and lone controls of a command page go this many to a row, so the pages stay short.
constexpr int kPerRow = 4;
const char* const kSection = "PARAMINFO";

void Hint(const char* text) {
    ShowUserMessage({QString::fromLatin1(text), QStringLiteral("Hit Windows"), MsgIcon::Warning});
}

// The command pages follow the parameter pages.
bool IsCommandPage(int page) {
    return static_cast<size_t>(page) >= DvrnPages().size() - DvrnCommandPages().size();
}

}  // namespace

const ParamConsoleDecl& TfDVRN::Decl() {
    static const ParamConsoleDecl decl = [] {
        ParamConsoleDecl d{"TfDVRN", "DVRN_Config_Windows", "SetParam", "ReadParam", {}, {}};
        d.scrollPages = false;  // a fixed border: the pages set the size
        const auto& pages = DvrnPages();
        for (size_t i = 0; i < pages.size(); ++i) {
            ConsolePage page{pages[i], {}, {}, {}};
            if (IsCommandPage(static_cast<int>(i))) {
                const CommandPage& commands =
                    DvrnCommandPages()[i - (pages.size() - DvrnCommandPages().size())];
                page.controls = commands.controls;
                page.commands = commands.commands;
                page.perRow = kPerRow;
                if (std::string(commands.caption) == "Car") page.hook = &TfDVRN::BuildTyreMemo;
            }
            d.pages.push_back(std::move(page));
        }
        return d;
    }();
    return decl;
}

TfDVRN::TfDVRN(QWidget* parent) : TParamConsole(Decl(), parent, Actions(this)) {
    SpeedButton1 = findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
    SpeedButton2 = findChild<QPushButton*>(QStringLiteral("SpeedButton2"));
    Label16 = findChild<QLabel*>(QStringLiteral("Label16"));
    Memo1 = findChild<LogMemo*>(QStringLiteral("Memo1"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // a fixed border: the pages set the size
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1IntervalMs);
    MakeImeiFlow();
    AddReplyInput(this, "TaiYaDataInput", &TfDVRN::TaiYaDataInput);
    FormCreate();
}

void TfDVRN::FormCreate() { LoadParamConfigFromFile(); }

std::string TfDVRN::ParamInfoPath() { return ProgramFolder() + "Config/ParamInfo.ini"; }

void TfDVRN::SaveParamConfigToFile() {
    TIniFile ini(ParamInfoPath());
    SaveParamFields(this, DvrnPages(), DvrnIniOrder(), kSection, ini);
    // The send goes on either way; the log says the fields were not kept, so they are not lost unseen.
    if (const IniSaveResult saved = ini.Save(); !saved)
        LogLine("参数文件保存失败: " + ini.FileName() + ": " + saved.error);
}

void TfDVRN::LoadParamConfigFromFile() {
    const TIniFile ini(ParamInfoPath());
    // A file that could not be read says nothing about the fields: they keep their layout defaults.
    if (!ini.ReadWhole()) return;
    LoadParamFields(this, DvrnPages(), DvrnIniOrder(), kSection, ini);
}

void TfDVRN::SetParam() {
    const int page = PageControl1->currentIndex();
    if (IsCommandPage(page)) {
        Hint("Please Cut To Param Page");
        return;
    }
    const ParamItemsResult items = ParamItems(this, DvrnPages()[page], ParamMode::Set);
    if (items.refusal) {
        ShowUserMessage(*items.refusal);
        return;
    }
    const auto batches = CutIntoBatches(items.items);
    if (batches.empty()) return;
    for (const auto& batch : batches) {
        if (batch.size() > static_cast<size_t>(kMaxFramePayload)) {
            ShowUserMessage(TooLongMessage(batch.size()));
            return;
        }
    }
    SaveParamConfigToFile();
    std::vector<TrainFrame> frames;
    for (const auto& batch : batches) {
        frames.push_back({{static_cast<uint16_t>(kParamSetCmd), batch}, "SZCS" + Cp936ToUtf8(batch)});
    }
    // The frames after the first leave from the train's timer; the buttons wait until the last one is out
    // so a second click cannot interleave its frames with these.
    train_ = new TBatchTrain(std::move(frames), kBatchPauseMs);
    if (!train_->Done()) {
        SetButtonsEnabled(false);
        connect(train_, &TBatchTrain::finished, this, [this] { SetButtonsEnabled(true); });
    }
}

void TfDVRN::ReadParam() {
    const int page = PageControl1->currentIndex();
    if (IsCommandPage(page)) {
        Hint("Please Cut To Param Windows");
        return;
    }
    const std::string text = JoinItems(ParamItems(this, DvrnPages()[page], ParamMode::Query).items);
    if (text.empty()) {
        Hint("Please Select Items");
        return;
    }
    if (text.size() > static_cast<size_t>(kMaxFramePayload)) {
        ShowUserMessage(TooLongMessage(text.size()));
        return;
    }
    LogLine("CXCS" + Cp936ToUtf8(text));
    SaveParamConfigToFile();
    (void)SendRequest({static_cast<uint16_t>(kParamQueryCmd), text});
}

void TfDVRN::SetButtonsEnabled(bool enabled) {
    SpeedButton1->setEnabled(enabled);
    SpeedButton2->setEnabled(enabled);
}
