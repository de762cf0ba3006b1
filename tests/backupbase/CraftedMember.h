#pragma once

#include "platform/ZipTestSupport.h"

#include <QDir>
#include <QString>
#include <QStringList>

// An archive of the files in folder whose member is written by tests/tools/craft_zip.py in the
// given mode with the given arguments after its name; the other files go in as they are.
inline void CraftArchiveWithMember(const QString& folder, const QString& archive, const QString& member,
                                   const QString& mode, const QStringList& memberArguments)
{
    QStringList others;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        if (name != member)
            others.append(folder + u'/' + name);
    }
    craftZip(QStringList{mode, archive, member} + memberArguments + others);
}
