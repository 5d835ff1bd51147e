#include "tools/TfQ7GpsMoni.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "link/LogMemo.h"
#include "link/ReplyInputs.h"
#include "link/ReplyTable.h"
#include "platform/Clock.h"
#include "tools/RecorderRows.h"

TfQ7GpsMoni* fQ7GpsMoni = nullptr;

namespace {
constexpr int kWidth = 760;
constexpr int kHeight = 420;
}  // namespace

TfQ7GpsMoni::TfQ7GpsMoni(QWidget* parent)
    : TRecorderForm("TfQ7GpsMoni", QStringLiteral("GPS记录仪"), kQ7GpsMoniTable, parent) {
    resize(kWidth, kHeight);
    SpeedButton1 = MakeButton("SpeedButton1", "清空数据");
    SpeedButton2 = MakeButton("SpeedButton2", "导出数据");
    Memo1 = new LogMemo(this);
    Memo1->setObjectName("Memo1");
    Memo1->setVisible(false);  // holds the export's lines; the grid is what the user reads
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(DBGrid1);
    layout->addWidget(Memo1);
    connect(SpeedButton1, &QPushButton::clicked, this, &TfQ7GpsMoni::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfQ7GpsMoni::SpeedButton2Click);
    AddReplyInput(this, "GpsDataInput", &TfQ7GpsMoni::GpsDataInput);
    RenewDBGrid();
}

void TfQ7GpsMoni::GpsDataInput() { AppendRow(Q7GpsRow(GpsInfoManage, CurrentDateTime())); }

void TfQ7GpsMoni::SpeedButton1Click() { ClearTable(); }

void TfQ7GpsMoni::SpeedButton2Click() { ExportTable(kQ7ExportHeading, &Q7ExportLine, Memo1); }
