// What the three table-recorder windows share: a table in DB/ with its grid, kept on the last row, and
// the steps of appending a row, emptying the table and exporting it as fixed-width text. A table that
// cannot be opened or written is reported once per action, in a box and in the output log.
#pragma once

#include <QSqlQueryModel>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/Tables.h"

class QTableView;
class QPushButton;
class LogMemo;

class TRecorderForm : public QWidget {
    Q_OBJECT
  public:
    TRecorderForm(const char* formName, const QString& caption, const TableDecl& table, QWidget* parent);

    QTableView* DBGrid1;

    // Runs the grid's query again and moves to its last row.
    void RenewDBGrid();

  protected:
    void AppendRow(const TableRow& row);
    void ClearTable();
    // Asks for a file name, then writes the heading and one line per row, from a copy of the table taken
    // before the first line is written; nothing else runs meanwhile, so a reply cannot change the file
    // half-way. The lines also fill `memo`. An empty table writes no file.
    void ExportTable(const char* heading, std::string (*line)(const TableRow&), LogMemo* memo);
    QPushButton* MakeButton(const char* name, const char* caption);

  private:
    // True when the action may go on; else the error was shown.
    bool Check(const QString& error);

    TTable table_;
    QSqlQueryModel model_;
};
