#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

// The rows of one opened query, held compactly: each row is one packed run of UTF-16 units in
// large chunks (a type tag per value, then the value), so 100,000 recipients cost tens of
// megabytes instead of one heap object per value. Rows are only ever added, never changed or
// removed, so a reader that remembers a row count may keep reading those rows while more are
// appended. Main thread only.
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

    // values holds one entry per column: null, an integer, a double or text.
    void appendRow(const QList<QVariant>& values);

    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    // Integer and Boolean columns as numbers, text as its number; ok false when it is none.
    qint64 integer(int row, int column, bool* ok = nullptr) const;
    bool boolean(int row, int column) const;
    // The value as a grid shows it: Boolean columns as bool, numbers as numbers, text as text.
    QVariant displayValue(int row, int column) const;

private:
    enum Tag : char16_t { Null, Int, Real, Text };
    struct Cell {
        Tag tag;
        const char16_t* data;
        qsizetype length; // text length in UTF-16 units
    };

    Cell cell(int row, int column) const;
    char16_t* reserveRow(qsizetype units);

    QStringList m_names;
    QList<Kind> m_kinds;
    QHash<QString, int> m_indexByFoldedName;
    std::vector<std::unique_ptr<char16_t[]>> m_chunks;
    qsizetype m_chunkUsed = 0;
    qsizetype m_chunkSize = 0;
    std::vector<const char16_t*> m_rows;
};
