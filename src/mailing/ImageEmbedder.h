#pragma once

#include "mailing/MessagePartImage.h"
#include "mailing/UniqueIdSource.h"

#include <QList>
#include <QString>

// Finds the local pictures of an HTML template and points the HTML at inline parts instead:
// the "src=" value of every tag that contains "img" and the "background=" value of a body tag,
// when it names an existing picture file (by its extension, else by its first bytes), become
// quoted "cid:" references, and one part is built per reference (the same file twice gives two
// parts). URLs with a scheme, missing files and files that are no pictures stay as they are.
//
// Relative names are resolved against the template's folder, never the process's current
// folder; "\" separates folders, and a name that matches only without regard to letter case
// is found too. Used once per run on the send thread; keeps no state shared with other runs.
class TImageEmbedder {
public:
    // baseDir: the template's folder; empty when relative names cannot be resolved.
    TImageEmbedder(const QString& baseDir, TUniqueIdSource& ids);

    // Rewrites html in place and adds a part to Images() for each picture. False, with the
    // reason in ErrorText(), when a picture exists but cannot be read; html is then unchanged.
    bool EmbedImages(QString& html);
    // One tag ("<" through ">"), with its picture reference rewritten or unchanged.
    std::optional<QString> RewriteImageTag(const QString& tag);

    const QList<TMessagePartImage>& Images() const { return m_images; }
    const QString& ErrorText() const { return m_errorText; }

    // The existing file a reference names, or empty: decoded, checked for a scheme and resolved.
    QString ResolveReference(const QString& reference) const;

private:
    QString resolveRelative(const QString& name) const;

    QString m_baseDir;
    TUniqueIdSource& m_ids;
    QList<TMessagePartImage> m_images;
    QString m_errorText;
};

// Decodes "%" and two hexadecimal digits, in one pass from left to right; any other "%" stays.
// The bytes are read as UTF-8 when they form it, else as Windows-1252.
QString PercentDecode(const QString& text);
