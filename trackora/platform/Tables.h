// The program's local test tables. Each table is one SQLite file in the folder "DB/" of the program's
// folder (DataFolder.h), with every field stored as text and the rows kept in the order they were
// appended. A file or table that is missing is created; a folder that is not this user's alone, or a
// folder or file that cannot be opened or written, gives an error text, never a crash. File names are spelt
// one way only, since the file system tells case apart.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <string>
#include <vector>

class QSqlQueryModel;

struct TableDecl {
    const char* name;                 // the table's name in statements ("Q7GpsMoni")
    const char* file;                 // its file in DB/ ("Q7GPSMoni.db")
    const char* clearStatement;       // the statement that empties it
    std::vector<const char*> fields;  // column names in column order (UTF-8)
};

using TableRow = std::vector<std::string>;

class TTable {
  public:
    explicit TTable(const TableDecl& decl);
    ~TTable();
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    // Opens the file, creating the folder, the file and the table where they are missing. Every call
    // below opens first when needed. Each returns an empty text on success, else what went wrong.
    [[nodiscard]] QString Open();
    [[nodiscard]] QString Append(const TableRow& values);
    [[nodiscard]] QString Clear();
    // Every row, in the order appended: a copy, so nothing that happens to the table afterwards can
    // change what a caller is writing out.
    [[nodiscard]] QString Snapshot(std::vector<TableRow>& rows);
    // Runs the grid's query again into `model` and fetches all of it.
    [[nodiscard]] QString Reload(QSqlQueryModel& model);

    [[nodiscard]] const TableDecl& Decl() const { return decl_; }
    [[nodiscard]] QString FilePath() const;

  private:
    [[nodiscard]] QString SelectStatement() const;

    const TableDecl& decl_;
    const QString connection_;
    QSqlDatabase db_;
};
