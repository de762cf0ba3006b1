#include "mailing/LogReportLayout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

namespace {

constexpr int kCannotOpen = -22;
constexpr int kBadExpression = -23;
constexpr int kBadFormat = -24;
constexpr int kEmptyProject = -29;
constexpr int kProjectType = 1;

LogReportLayoutResult failure(int code, const QString& detail)
{
    LogReportLayoutResult result;
    result.code = code;
    result.detail = detail;
    return result;
}

bool readPageSize(const QString& name, QPageSize& size)
{
    static const std::pair<const char*, QPageSize::PageSizeId> kSizes[] = {
        {"A3", QPageSize::A3},         {"A4", QPageSize::A4},       {"A5", QPageSize::A5},
        {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal},
    };
    for (const auto& [sizeName, id] : kSizes) {
        if (name.compare(QLatin1String(sizeName), Qt::CaseInsensitive) == 0) {
            size = QPageSize(id);
            return true;
        }
    }
    return false;
}

bool readFont(const QJsonValue& value, QFont& font)
{
    if (value.isUndefined())
        return true;
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    if (object.contains(QStringLiteral("family"))) {
        if (!object.value(QStringLiteral("family")).isString())
            return false;
        font.setFamily(object.value(QStringLiteral("family")).toString());
    }
    if (object.contains(QStringLiteral("pointSize"))) {
        const double size = object.value(QStringLiteral("pointSize")).toDouble(-1);
        if (size <= 0 || size > 200)
            return false;
        font.setPointSizeF(size);
    }
    font.setBold(object.value(QStringLiteral("bold")).toBool(false));
    font.setItalic(object.value(QStringLiteral("italic")).toBool(false));
    return true;
}

// Reads the rows of a header or footer; a row text naming an unknown variable is -23.
int readRows(const QJsonValue& value, const QFont& baseFont, QList<LogReportRow>& rows, QString& detail)
{
    if (value.isUndefined())
        return 0;
    if (!value.isArray()) {
        detail = QStringLiteral("header and footer are lists of rows");
        return kBadFormat;
    }
    for (const QJsonValue& rowValue : value.toArray()) {
        if (!rowValue.isObject()) {
            detail = QStringLiteral("a row is an object");
            return kBadFormat;
        }
        const QJsonObject object = rowValue.toObject();
        LogReportRow row;
        row.font = baseFont;
        if (!readFont(object.value(QStringLiteral("font")), row.font)) {
            detail = QStringLiteral("a row's font is damaged");
            return kBadFormat;
        }
        for (const auto& [key, text] :
             {std::pair{QStringLiteral("left"), &row.left}, std::pair{QStringLiteral("center"), &row.center},
              std::pair{QStringLiteral("right"), &row.right}}) {
            const QJsonValue textValue = object.value(key);
            if (!textValue.isUndefined() && !textValue.isString()) {
                detail = QStringLiteral("a row text is not a string");
                return kBadFormat;
            }
            *text = textValue.toString();
            QString expanded;
            if (!ExpandLogReportText(*text, LogReportValues{}, expanded)) {
                detail = QStringLiteral("unknown variable in \"") + *text + u'"';
                return kBadExpression;
            }
        }
        row.ruleAbove = object.value(QStringLiteral("ruleAbove")).toBool(false);
        row.ruleBelow = object.value(QStringLiteral("ruleBelow")).toBool(false);
        rows.append(row);
    }
    return 0;
}

int readPage(const QJsonValue& value, LogReportLayout& layout, QString& detail)
{
    if (value.isUndefined())
        return 0;
    const QJsonObject page = value.toObject();
    if (!value.isObject() || (page.contains(QStringLiteral("size")) &&
                              !readPageSize(page.value(QStringLiteral("size")).toString(), layout.pageSize))) {
        detail = QStringLiteral("unknown page size");
        return kBadFormat;
    }
    const QString orientation = page.value(QStringLiteral("orientation")).toString(QStringLiteral("portrait"));
    if (orientation != QLatin1String("portrait") && orientation != QLatin1String("landscape")) {
        detail = QStringLiteral("orientation is portrait or landscape");
        return kBadFormat;
    }
    layout.landscape = orientation == QLatin1String("landscape");
    const QJsonValue margins = page.value(QStringLiteral("marginsMm"));
    if (margins.isUndefined())
        return 0;
    const QJsonArray list = margins.toArray();
    double mm[4] = {};
    for (int i = 0; i < 4; ++i) {
        mm[i] = list.size() == 4 ? list.at(i).toDouble(-1) : -1;
        if (mm[i] < 0) {
            detail = QStringLiteral("marginsMm holds four numbers from 0 up");
            return kBadFormat;
        }
    }
    layout.marginsMm = QMarginsF(mm[0], mm[1], mm[2], mm[3]);
    return 0;
}

} // namespace

bool ExpandLogReportText(const QString& text, const LogReportValues& values, QString& expanded)
{
    expanded.clear();
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype open = text.indexOf(u'{', from);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(u'}', open + 1);
        if (close < 0)
            return false;
        expanded += QStringView(text).mid(from, open - from);
        const QStringView name = QStringView(text).mid(open + 1, close - open - 1);
        if (name == QLatin1String("LL_BEZ"))
            expanded += values.title;
        else if (name == QLatin1String("Seite"))
            expanded += QString::number(values.page);
        else if (name == QLatin1String("Seiten"))
            expanded += QString::number(values.pages);
        else if (name == QLatin1String("Datum"))
            expanded += values.date;
        else
            return false;
        from = close + 1;
    }
    expanded += QStringView(text).mid(from);
    return true;
}

LogReportLayoutResult ParseLogReportLayout(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return failure(kBadFormat, QStringLiteral("not a JSON object: ") + error.errorString());
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("projectType")).toInt(0) != kProjectType)
        return failure(kBadFormat, QStringLiteral("projectType is not 1"));

    LogReportLayoutResult result;
    LogReportLayout& layout = result.layout;
    int code = readPage(root.value(QStringLiteral("page")), layout, result.detail);
    if (code == 0)
        code = readRows(root.value(QStringLiteral("header")), QFont(), layout.header, result.detail);
    if (code == 0)
        code = readRows(root.value(QStringLiteral("footer")), QFont(), layout.footer, result.detail);
    if (code != 0)
        return failure(code, result.detail);

    const QJsonValue body = root.value(QStringLiteral("body"));
    if (body.isUndefined())
        return failure(kEmptyProject, QStringLiteral("no body"));
    if (!body.isObject() || !readFont(body.toObject().value(QStringLiteral("font")), layout.bodyFont))
        return failure(kBadFormat, QStringLiteral("the body is damaged"));
    if (body.toObject().value(QStringLiteral("field")).toString() != QLatin1String("LL_INHALT"))
        return failure(kBadExpression, QStringLiteral("the body shows an unknown field"));
    return result;
}

LogReportLayoutResult ReadLogReportLayout(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return failure(kCannotOpen, fileName + QStringLiteral(": ") + file.errorString());
    return ParseLogReportLayout(file.readAll());
}
