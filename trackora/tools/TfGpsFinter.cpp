#include "tools/TfGpsFinter.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "link/LogMemo.h"
#include "link/PublicData.h"
#include "link/ReplyFormat.h"
#include "platform/Clock.h"
#include "platform/HiddenLayout.h"
#include "tools/RecorderRows.h"

TfGpsFinter* fGpsFinter = nullptr;

namespace {
constexpr int kWidth = 760;
constexpr int kHeight = 420;
// The sample report of the test button; its position is the test bench's.
constexpr char kSampleReport[] =
    "E:1,SC:15,DC:0,dis:4,SecDis:4,logi:113.560712,lati:22.334405,course:73,spd:0,precision:12";

std::string_view ReportText() {
    return {reinterpret_cast<const char*>(ReplyRecord.Data.data()),
            static_cast<size_t>(ReplyReadableLength(ReplyRecord))};
}
}  // namespace

TfGpsFinter::TfGpsFinter(QWidget* parent)
    : TRecorderForm("TfGpsFinter", QStringLiteral("GPS数据滤波监控"), kGpsFinterTable, parent) {
    resize(kWidth, kHeight);
    SpeedButton1 = MakeButton("SpeedButton1", "清空数据");
    SpeedButton2 = MakeButton("SpeedButton2", "导出数据");
    Button1 = MakeButton("Button1", "Button1");
    Button1->setVisible(kShowHiddenControls);
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(Button1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid1, 3);
    layout->addWidget(Memo1, 1);
    connect(SpeedButton1, &QPushButton::clicked, this, &TfGpsFinter::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfGpsFinter::SpeedButton2Click);
    connect(Button1, &QPushButton::clicked, this, &TfGpsFinter::Button1Click);
    RenewDBGrid();
}

std::string TfGpsFinter::FindValueInString(std::string_view key) const {
    return ::FindValueInString(ReportText(), key);
}

void TfGpsFinter::AddOneRecord() {
    const std::string_view text = ReportText();
    Memo1->AppendLine(LogText(text));
    AppendRow(GpsFinterRow(text, CurrentDateTime()));
}

void TfGpsFinter::SpeedButton1Click() { ClearTable(); }

void TfGpsFinter::SpeedButton2Click() { ExportTable(kGpsFinterExportHeading, &GpsFinterExportLine, Memo1); }

void TfGpsFinter::Button1Click() {
    const size_t length = std::strlen(kSampleReport);
    std::memcpy(ReplyRecord.Data.data(), kSampleReport, length);
    ReplyRecord.Len = static_cast<int>(length);
    AddOneRecord();
}
