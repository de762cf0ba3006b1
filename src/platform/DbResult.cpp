#include "platform/DbResult.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
using Offset = quint32;

Offset loadOffset(const char* at)
{
    Offset value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

qint64 loadInteger(const char* at)
{
    qint64 value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

double loadReal(const char* at)
{
    double value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

DbResult::DbResult(QStringList columnNames, QList<Kind> columnKinds)
    : m_names(std::move(columnNames)),
      m_kinds(std::move(columnKinds))
{
    // The first of two equal names wins, as a lookup by name finds the first column.
    for (int i = static_cast<int>(m_names.size()) - 1; i >= 0; --i)
        m_indexByFoldedName.insert(m_names.at(i).toCaseFolded(), i);
}

int DbResult::columnIndex(const QString& name) const
{
    return m_indexByFoldedName.value(name.toCaseFolded(), -1);
}

char* DbResult::reserve(qsizetype bytes)
{
    if (m_chunks.empty() || m_chunkSize - m_chunkUsed < bytes) {
        m_chunkSize = std::max(kChunkBytes, bytes);
        m_chunks.push_back(std::make_unique_for_overwrite<char[]>(static_cast<size_t>(m_chunkSize)));
        m_chunkUsed = 0;
    }
    char* at = m_chunks.back().get() + m_chunkUsed;
    m_chunkUsed += bytes;
    return at;
}

void DbResult::appendRow(const Value* values)
{
    const qsizetype columns = columnCount();
    const qsizetype header = columns * qsizetype(sizeof(Offset) + 1);
    qsizetype bytes = header;
    for (qsizetype i = 0; i < columns; ++i) {
        const Value& value = values[i];
        bytes += value.type == Value::Text ? value.bytes : (value.type == Value::Null ? 0 : 8);
    }
    char* row = reserve(bytes);
    char* types = row + columns * qsizetype(sizeof(Offset));
    char* data = row + header;
    Offset end = 0;
    for (qsizetype i = 0; i < columns; ++i) {
        const Value& value = values[i];
        switch (value.type) {
        case Value::Null:
            break;
        case Value::Integer:
            std::memcpy(data + end, &value.integer, 8);
            end += 8;
            break;
        case Value::Real:
            std::memcpy(data + end, &value.real, 8);
            end += 8;
            break;
        case Value::Text:
            if (value.bytes > 0)
                std::memcpy(data + end, value.text, size_t(value.bytes));
            end += Offset(value.bytes);
            break;
        }
        std::memcpy(row + i * qsizetype(sizeof(Offset)), &end, sizeof end);
        types[i] = value.type;
    }
    m_rows.push_back(row);
}

DbResult::Cell DbResult::cell(int row, int column) const
{
    const char* header = m_rows.at(static_cast<size_t>(row));
    const size_t columns = static_cast<size_t>(columnCount());
    const Offset start = column == 0 ? 0 : loadOffset(header + sizeof(Offset) * size_t(column - 1));
    const Offset end = loadOffset(header + sizeof(Offset) * size_t(column));
    const auto type = static_cast<Value::Type>(header[sizeof(Offset) * columns + size_t(column)]);
    return {type, header + (sizeof(Offset) + 1) * columns + start, qsizetype(end - start)};
}

bool DbResult::isNull(int row, int column) const
{
    return cell(row, column).type == Value::Null;
}

QString DbResult::text(int row, int column) const
{
    const Cell c = cell(row, column);
    switch (c.type) {
    case Value::Null:
        return {};
    case Value::Integer:
        if (m_kinds.at(column) == Kind::Boolean)
            return loadInteger(c.data) != 0 ? QStringLiteral("True") : QStringLiteral("False");
        return QString::number(loadInteger(c.data));
    case Value::Real:
        return QString::number(loadReal(c.data));
    case Value::Text:
        break;
    }
    // An empty text is '' rather than null, as the engine keeps the two apart.
    return c.bytes == 0 ? QStringLiteral("") : QString::fromUtf8(c.data, c.bytes);
}

qint64 DbResult::integer(int row, int column, bool* ok) const
{
    const Cell c = cell(row, column);
    if (ok)
        *ok = true;
    switch (c.type) {
    case Value::Null:
        return 0;
    case Value::Integer:
        return loadInteger(c.data);
    case Value::Real:
        return static_cast<qint64>(loadReal(c.data));
    case Value::Text:
        break;
    }
    const QString value = text(row, column).trimmed();
    bool converted = false;
    const qint64 number = value.toLongLong(&converted);
    if (ok)
        *ok = converted;
    return converted ? number : 0;
}

bool DbResult::boolean(int row, int column) const
{
    const Cell c = cell(row, column);
    if (c.type == Value::Text) {
        const QString value = text(row, column).trimmed();
        return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || value.toLongLong() != 0;
    }
    return integer(row, column) != 0;
}

QVariant DbResult::displayValue(int row, int column) const
{
    const Cell c = cell(row, column);
    if (c.type == Value::Null)
        return {};
    if (m_kinds.at(column) == Kind::Boolean)
        return boolean(row, column);
    if (c.type == Value::Integer)
        return integer(row, column);
    return text(row, column);
}
