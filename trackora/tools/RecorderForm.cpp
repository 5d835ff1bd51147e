#include "tools/RecorderForm.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "consoles/CommandKit.h"
#include "link/LogMemo.h"
#include "link/OutputLog.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"

namespace {
constexpr char kNoRecords[] = "无记录，放弃存贮";
}  // namespace

TRecorderForm::TRecorderForm(const char* formName, const QString& caption, const TableDecl& table,
                             QWidget* parent)
    : QWidget(parent), table_(table) {
    setObjectName(formName);
    setWindowTitle(caption);
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setModel(&model_);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 4);
}

bool TRecorderForm::Check(const QString& error) {
    if (error.isEmpty()) return true;
    const QString text = QStringLiteral("数据表错误: %1: %2").arg(table_.FilePath(), error);
    LogLine(text.toStdString());
    ShowMessageBox(text, QString::fromUtf8(kWarningCaption), MsgIcon::Warning);
    return false;
}

void TRecorderForm::RenewDBGrid() {
    if (!Check(table_.Reload(model_))) return;
    // Every column as wide as its widest text, the time stamps whole; the grid scrolls sideways instead.
    DBGrid1->resizeColumnsToContents();
    const int rows = model_.rowCount();
    if (rows == 0) return;
    DBGrid1->selectRow(rows - 1);
    DBGrid1->scrollToBottom();
}

void TRecorderForm::AppendRow(const TableRow& row) {
    if (Check(table_.Append(row))) RenewDBGrid();
}

void TRecorderForm::ClearTable() {
    if (Check(table_.Clear())) RenewDBGrid();
}

void TRecorderForm::ExportTable(const char* heading, std::string (*line)(const TableRow&), LogMemo* memo) {
    const std::optional<QString> chosen = RunSaveDialog(this);
    if (!chosen) return;
    std::vector<TableRow> rows;
    if (!Check(table_.Snapshot(rows))) return;
    RenewDBGrid();
    if (rows.empty()) {
        ShowUserMessage(PlainMessage(QString::fromUtf8(kNoRecords)));
        return;
    }
    std::vector<std::string> lines;
    lines.reserve(rows.size() + 1);
    lines.emplace_back(heading);
    for (const TableRow& row : rows) lines.push_back(line(row));
    memo->Clear();
    for (const std::string& text : lines) memo->AppendLine(text);
    // The name is taken as chosen: the export adds no extension.
    if (const int error = WriteCp936Lines(*chosen, lines); error != 0)
        ReportSaveFailure(chosen->toStdString(), error);
}

QPushButton* TRecorderForm::MakeButton(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setObjectName(name);
    return button;
}
