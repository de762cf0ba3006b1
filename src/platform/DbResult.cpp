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

void DbResult::beginRow()
{
    m_header.assign(static_cast<size_t>(columnCount()) * (sizeof(Offset) + 1), 0);
    m_values.clear();
    m_added = 0;
}

void DbResult::addValue(Tag tag, const void* data, qsizetype bytes)
{
    if (m_added >= columnCount())
        return;
    const auto* from = static_cast<const char*>(data);
    m_values.insert(m_values.end(), from, from + bytes);
    const auto end = static_cast<Offset>(m_values.size());
    std::memcpy(m_header.data() + sizeof(Offset) * size_t(m_added), &end, sizeof end);
    m_header[sizeof(Offset) * size_t(columnCount()) + size_t(m_added)] = tag;
    ++m_added;
}

void DbResult::addNull()
{
    addValue(Null, nullptr, 0);
}

void DbResult::addInteger(qint64 value)
{
    addValue(Int, &value, sizeof value);
}

void DbResult::addReal(double value)
{
    addValue(Real, &value, sizeof value);
}

void DbResult::addText(const char* utf8, qsizetype bytes)
{
    addValue(Text, utf8, bytes);
}

void DbResult::endRow()
{
    while (m_added < columnCount())
        addNull();
    char* row = reserve(qsizetype(m_header.size() + m_values.size()));
    std::memcpy(row, m_header.data(), m_header.size());
    if (!m_values.empty())
        std::memcpy(row + m_header.size(), m_values.data(), m_values.size());
    m_rows.push_back(row);
}

DbResult::Cell DbResult::cell(int row, int column) const
{
    const char* header = m_rows.at(static_cast<size_t>(row));
    const size_t columns = static_cast<size_t>(columnCount());
    const Offset start = column == 0 ? 0 : loadOffset(header + sizeof(Offset) * size_t(column - 1));
    const Offset end = loadOffset(header + sizeof(Offset) * size_t(column));
    const auto tag = static_cast<Tag>(header[sizeof(Offset) * columns + size_t(column)]);
    return {tag, header + (sizeof(Offset) + 1) * columns + start, qsizetype(end - start)};
}

bool DbResult::isNull(int row, int column) const
{
    return cell(row, column).tag == Null;
}

QString DbResult::text(int row, int column) const
{
    const Cell c = cell(row, column);
    switch (c.tag) {
    case Null:
        return {};
    case Int:
        if (m_kinds.at(column) == Kind::Boolean)
            return loadInteger(c.data) != 0 ? QStringLiteral("True") : QStringLiteral("False");
        return QString::number(loadInteger(c.data));
    case Real:
        return QString::number(loadReal(c.data));
    case Text:
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
    switch (c.tag) {
    case Null:
        return 0;
    case Int:
        return loadInteger(c.data);
    case Real:
        return static_cast<qint64>(loadReal(c.data));
    case Text:
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
    if (c.tag == Text) {
        const QString value = text(row, column).trimmed();
        return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || value.toLongLong() != 0;
    }
    return integer(row, column) != 0;
}

QVariant DbResult::displayValue(int row, int column) const
{
    const Cell c = cell(row, column);
    if (c.tag == Null)
        return {};
    if (m_kinds.at(column) == Kind::Boolean)
        return boolean(row, column);
    if (c.tag == Int)
        return integer(row, column);
    return text(row, column);
}
