#pragma once

#include "mailing/UniqueIdSource.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// One local picture carried inside the mails of a run as an inline body part. Built once per
// run; every mail shares its bytes.
struct TMessagePartImage {
    QString FileName;    // the file's name without its folder
    QByteArray MimeType; // "image/gif", ...
    QString ContentID;   // "GUID@host"; the HTML refers to it as "cid:" and this id
    // The complete part: its header lines, an empty line, the Base64 lines and an empty line,
    // every line ending in CR LF.
    QByteArray Lines;

    // Reads the file at path (absolute) and builds its part of the given type with a new
    // content id. Empty, with the reason in *error, when the file cannot be read.
    static std::optional<TMessagePartImage> Create(const QString& path, const QByteArray& mimeType,
                                                   TUniqueIdSource& ids, QString* error);

    // The picture type of the file at path: by its extension in any letter case, else, for no
    // or an unknown extension, by its first bytes. Empty when it is no picture mails carry
    // inline, or its first bytes cannot be read.
    static QByteArray ImageTypeOf(const QString& path);
    // The picture type that a file's first bytes identify (GIF, PNG, JPEG, BMP, WebP, TIFF,
    // ICO), or empty.
    static QByteArray TypeBySignature(QByteArrayView head);
};
