#include "platform/DbResult.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype kChunkUnits = qsizetype(1) << 19; // 1 MiB of UTF-16 units
constexpr qsizetype kNumberUnits = 4;                 // 64 bits

void putNumber(char16_t* to, quint64 bits)
{
    for (qsizetype i = 0; i < kNumberUnits; ++i)
        to[i] = static_cast<char16_t>(bits >> (16 * i));
}

quint64 getNumber(const char16_t* from)
{
    quint64 bits = 0;
    for (qsizetype i = 0; i < kNumberUnits; ++i)
        bits |= quint64(from[i]) << (16 * i);
    return bits;
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

char16_t* DbResult::reserveRow(qsizetype units)
{
    if (m_chunks.empty() || m_chunkSize - m_chunkUsed < units) {
        m_chunkSize = std::max(kChunkUnits, units);
        m_chunks.push_back(std::make_unique<char16_t[]>(static_cast<size_t>(m_chunkSize)));
        m_chunkUsed = 0;
    }
    char16_t* row = m_chunks.back().get() + m_chunkUsed;
    m_chunkUsed += units;
    return row;
}

void DbResult::appendRow(const QList<QVariant>& values)
{
    qsizetype units = 0;
    for (const QVariant& value : values) {
        ++units;
        if (value.isNull())
            continue;
        const int type = value.metaType().id();
        if (type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Double ||
            type == QMetaType::Bool || type == QMetaType::ULongLong || type == QMetaType::UInt)
            units += kNumberUnits;
        else
            units += 2 + value.toString().size();
    }
    char16_t* p = reserveRow(units);
    m_rows.push_back(p);
    for (qsizetype column = 0; column < columnCount(); ++column) {
        const QVariant value = column < values.size() ? values.at(column) : QVariant();
        if (value.isNull()) {
            *p++ = Null;
            continue;
        }
        const int type = value.metaType().id();
        if (type == QMetaType::Double) {
            *p++ = Real;
            const double d = value.toDouble();
            quint64 bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            putNumber(p, bits);
            p += kNumberUnits;
        } else if (type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::Bool ||
                   type == QMetaType::ULongLong || type == QMetaType::UInt) {
            *p++ = Int;
            putNumber(p, static_cast<quint64>(value.toLongLong()));
            p += kNumberUnits;
        } else {
            const QString text = value.toString();
            *p++ = Text;
            const auto length = static_cast<quint32>(text.size());
            *p++ = static_cast<char16_t>(length & 0xFFFF);
            *p++ = static_cast<char16_t>(length >> 16);
            std::memcpy(p, text.utf16(), static_cast<size_t>(text.size()) * sizeof(char16_t));
            p += text.size();
        }
    }
}

DbResult::Cell DbResult::cell(int row, int column) const
{
    const char16_t* p = m_rows.at(static_cast<size_t>(row));
    for (int i = 0;; ++i) {
        const auto tag = static_cast<Tag>(*p++);
        qsizetype length = 0;
        if (tag == Int || tag == Real) {
            length = kNumberUnits;
        } else if (tag == Text) {
            length = qsizetype(p[0]) | (qsizetype(p[1]) << 16);
            p += 2;
        }
        if (i == column)
            return {tag, p, length};
        p += length;
    }
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
            return getNumber(c.data) != 0 ? QStringLiteral("True") : QStringLiteral("False");
        return QString::number(static_cast<qint64>(getNumber(c.data)));
    case Real: {
        const quint64 bits = getNumber(c.data);
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return QString::number(d);
    }
    case Text:
        break;
    }
    return QString(reinterpret_cast<const QChar*>(c.data), c.length);
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
        return static_cast<qint64>(getNumber(c.data));
    case Real: {
        const quint64 bits = getNumber(c.data);
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return static_cast<qint64>(d);
    }
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
