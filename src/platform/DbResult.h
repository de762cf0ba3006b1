#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

// The rows of one opened query, held compactly: each row is one packed run of bytes in large
// chunks (the end offset and the type of every value, then the values, text as UTF-8 as the
// engine delivers it), so 100,000 recipients cost a few tens of megabytes and no heap object
// per value. Rows are only ever added, never changed or removed, so a reader that remembers a
// row count may keep reading those rows while more are appended. Main thread only.
class DbResult {
public:
    enum class Kind { Integer, Real, Boolean, Text };

    DbResult(QStringList columnNames, QList<Kind> columnKinds);

    int columnCount() const { return static_cast<int>(m_names.size()); }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const QStringList& columnNames() const { return m_names; }
    Kind columnKind(int column) const { return m_kinds.at(column); }
    // -1 when no column has this name (compared without regard to case).
    int columnIndex(const QString& name) const;

    // One value of a row to append; text is UTF-8 and needs to stay valid only during the call.
    struct Value {
        enum Type : char { Null, Integer, Real, Text };
        Type type = Null;
        qint64 integer = 0;
        double real = 0;
        const char* text = nullptr;
        qsizetype bytes = 0;
    };
    // values holds columnCount() entries, in column order.
    void appendRow(const Value* values);

    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    // Integer and Boolean columns as numbers, text as its number; ok false when it is none.
    qint64 integer(int row, int column, bool* ok = nullptr) const;
    bool boolean(int row, int column) const;
    // The value as a grid shows it: Boolean columns as bool, numbers as numbers, text as text.
    QVariant displayValue(int row, int column) const;

private:
    struct Cell {
        Value::Type type;
        const char* data;
        qsizetype bytes;
    };

    Cell cell(int row, int column) const;
    char* reserve(qsizetype bytes);

    QStringList m_names;
    QList<Kind> m_kinds;
    QHash<QString, int> m_indexByFoldedName;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    qsizetype m_chunkUsed = 0;
    qsizetype m_chunkSize = 0;
    std::vector<const char*> m_rows;
};
