#include "platform/Tables.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <atomic>

#include "platform/DataFolder.h"

namespace {

std::atomic<int> g_connections{0};

QString Quoted(const char* identifier) { return "\"" + QString::fromUtf8(identifier) + "\""; }

QString ErrorText(const QSqlError& error) {
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

}  // namespace

TTable::TTable(const TableDecl& decl)
    : decl_(decl), connection_(QStringLiteral("table-%1-%2").arg(decl.name).arg(++g_connections)) {}

TTable::~TTable() {
    if (!db_.isValid()) return;
    db_.close();
    db_ = QSqlDatabase();  // the last handle must go before the connection is removed
    QSqlDatabase::removeDatabase(connection_);
}

QString TTable::FilePath() const {
    return QString::fromStdString(ProgramFolder()) + "DB/" + QString::fromUtf8(decl_.file);
}

QString TTable::SelectStatement() const {
    QStringList columns;
    for (const char* field : decl_.fields) columns << Quoted(field);
    // rowid is the order of appending, as a table without a key keeps its rows.
    return "SELECT " + columns.join(", ") + " FROM " + Quoted(decl_.name) + " ORDER BY rowid";
}

QString TTable::Open() {
    if (db_.isValid() && db_.isOpen()) return {};
    const QString path = FilePath();
    // The tables live in a folder of this user's alone, so no one else can put a link where SQLite
    // creates its files.
    if (const std::string error = UsePrivateFolder(ProgramFolder() + "DB"); !error.empty())
        return QString::fromStdString(error);
    if (!db_.isValid()) db_ = QSqlDatabase::addDatabase("QSQLITE", connection_);
    if (!db_.isValid()) return QStringLiteral("the SQLite driver of Qt is not installed");
    db_.setDatabaseName(path);
    if (!db_.open()) return ErrorText(db_.lastError());
    QStringList columns;
    for (const char* field : decl_.fields) columns << Quoted(field) + " TEXT";
    QSqlQuery create(db_);
    if (!create.exec("CREATE TABLE IF NOT EXISTS " + Quoted(decl_.name) + " (" + columns.join(", ") + ")")) {
        const QString error = ErrorText(create.lastError());
        db_.close();
        return error;
    }
    return {};
}

QString TTable::Append(const TableRow& values) {
    if (QString error = Open(); !error.isEmpty()) return error;
    QStringList columns;
    QStringList marks;
    for (const char* field : decl_.fields) {
        columns << Quoted(field);
        marks << "?";
    }
    QSqlQuery insert(db_);
    if (!insert.prepare("INSERT INTO " + Quoted(decl_.name) + " (" + columns.join(", ") + ") VALUES (" +
                        marks.join(", ") + ")"))
        return ErrorText(insert.lastError());
    for (size_t i = 0; i < decl_.fields.size(); ++i)
        insert.addBindValue(QString::fromStdString(i < values.size() ? values[i] : std::string()));
    if (!insert.exec()) return ErrorText(insert.lastError());
    return {};
}

QString TTable::Clear() {
    if (QString error = Open(); !error.isEmpty()) return error;
    QSqlQuery clear(db_);
    if (!clear.exec(QString::fromUtf8(decl_.clearStatement))) return ErrorText(clear.lastError());
    return {};
}

QString TTable::Snapshot(std::vector<TableRow>& rows) {
    rows.clear();
    if (QString error = Open(); !error.isEmpty()) return error;
    QSqlQuery select(db_);
    select.setForwardOnly(true);
    if (!select.exec(SelectStatement())) return ErrorText(select.lastError());
    const int count = static_cast<int>(decl_.fields.size());
    while (select.next()) {
        TableRow row;
        row.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) row.push_back(select.value(i).toString().toStdString());
        rows.push_back(std::move(row));
    }
    if (select.lastError().isValid()) return ErrorText(select.lastError());
    return {};
}

QString TTable::Reload(QSqlQueryModel& model) {
    if (QString error = Open(); !error.isEmpty()) {
        model.clear();
        return error;
    }
    model.setQuery(SelectStatement(), db_);
    if (model.lastError().isValid()) return ErrorText(model.lastError());
    while (model.canFetchMore()) model.fetchMore();
    return {};
}
