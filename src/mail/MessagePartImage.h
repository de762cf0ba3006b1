#pragma once

#include "mail/UniqueIdSource.h"

#include <QByteArray>
#include <QString>

#include <optional>

// One local picture carried inside the mails of a run as an inline body part. Built once per
// run; every mail shares its bytes.
struct TMessagePartImage {
    QString FileName;    // the file's name without its folder
    QByteArray MimeType; // "image/gif", ...; "application/octet-stream" for an unknown extension
    QString ContentID;   // "GUID@host"; the HTML refers to it as "cid:" and this id
    // The complete part: its header lines, an empty line, the Base64 lines and an empty line,
    // every line ending in CR LF.
    QByteArray Lines;

    // Reads the file at path (absolute) and builds its part with a new content id. Empty, with
    // the reason in *error, when the file cannot be read.
    static std::optional<TMessagePartImage> Create(const QString& path, TUniqueIdSource& ids, QString* error);

    // The type for a file name by its extension, in any letter case.
    static QByteArray MimeTypeFor(const QString& fileName);
    // Whether the extension names a picture type that mails carry inline.
    static bool IsImageFileName(const QString& fileName);
};
