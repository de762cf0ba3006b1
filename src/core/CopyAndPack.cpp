#include "core/CopyAndPack.h"

#include "core/BackupUSPForm.h"
#include "core/DM.h"
#include "core/ProgressPause.h"
#include "core/Records.h"
#include "desktop/MessageBoxes.h"
#include "platform/DbError.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>

#include <exception>

namespace {

QString exceptionText(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

// The caption of a table while it is packed.
QString packCaption(const QString& table)
{
    if (table == QLatin1String("Adressen"))
        return QStringLiteral("Empfänger-DB");
    if (table == QLatin1String("Verfasser"))
        return QStringLiteral("Absender-DB");
    return table;
}

// The tables whose files are in the list, in list order.
QStringList tablesOf(const QStringList& files, const DbSchema& schema)
{
    QStringList tables;
    for (const QString& file : files) {
        for (const DbTableDef& table : schema.tables) {
            if (table.tableFileName() == file)
                tables.append(table.name);
        }
    }
    return tables;
}

} // namespace

bool CopyAndPackDatabase(TDM2& dm, TBackupUSPForm* form, const QString& destDir, const TCopyAndPackSeams& seams)
{
    const QStringList files = TDBFiles().Items;
    const QStringList tables = tablesOf(files, dm.AdsConnection1.schema());
    const auto stage = [&](const QString& name) {
        if (seams.beforeStage)
            seams.beforeStage(name);
    };
    const auto cancelled = [form] {
        if (!form || !form->isCancelled())
            return false;
        QCoreApplication::processEvents();
        return true;
    };
    const auto pause = [form] {
        if (form)
            ProgressPause();
    };
    const auto stepBars = [form] {
        if (!form)
            return;
        form->FPB1->setValue(form->FPB1->value() + 1);
        form->FPB2->setValue(form->FPB2->value() + 1);
    };

    if (form) {
        form->Label2->clear();
        form->Label3->clear();
        form->setBarMaxima(1, int(files.size() + tables.size()));
        pause();
    }
    dm.EmpfQuery.disableControls();
    dm.AbsendQuery.disableControls();
    auto resume = qScopeGuard([&dm] {
        dm.AbsendQuery.enableControls();
        dm.EmpfQuery.enableControls();
    });
    if (cancelled())
        return false;

    if (form) {
        form->Label2->setText(QStringLiteral("Datenbankdateien werden kopiert"));
        pause();
        if (cancelled())
            return false;
    }
    const QString source = dm.AdsConnection1.connectPath() + u'/';
    const QString target = destDir + u'/';
    try {
        for (const QString& file : files) {
            if (form) {
                form->Label3->setText(file);
                form->FPB1->setValue(0);
                pause();
                if (cancelled())
                    return false;
            }
            stage(QStringLiteral("copy:") + file);
            const qsizetype table = tables.indexOf(file.left(file.size() - 4));
            if (file.endsWith(QLatin1String(".ADT")) && table >= 0) {
                dm.AdsConnection1.copyTableFile(tables[table], target + file);
            } else {
                QFile::remove(target + file);
                if (!QFile::copy(source + file, target + file)) {
                    MessageBoxes::error(QStringLiteral("Das Datenbankfile \"") + file +
                                        QStringLiteral("\" konnte nicht kopiert werden!"));
                    return false;
                }
            }
            stepBars();
            pause();
        }
    } catch (const std::exception& e) {
        MessageBoxes::error(QStringLiteral("#141 ") + exceptionText(e));
        return false;
    }

    if (form) {
        form->Label2->setText(QStringLiteral("Datenbankdateien komprimieren"));
        form->Label3->clear();
        form->FPB1->setValue(0);
        pause();
        if (cancelled())
            return false;
    }
    auto closeCopy = qScopeGuard([&dm] {
        try {
            dm.AdsTable1.close();
            dm.AdsConnection2.disconnect();
        } catch (const EDatabaseError&) {
            // Closing a connection that failed to open has nothing left to report.
        }
    });
    try {
        stage(QStringLiteral("connect"));
        dm.AdsConnection2.setConnectPath(destDir);
        dm.AdsConnection2.connect();
    } catch (const std::exception& e) {
        MessageBoxes::error(QStringLiteral("#164 ") + exceptionText(e));
        return false;
    }
    try {
        for (const QString& table : tables) {
            if (form) {
                form->Label3->setText(packCaption(table));
                form->FPB1->setValue(0);
                pause();
                if (cancelled())
                    return false;
            }
            stage(QStringLiteral("pack:") + table);
            dm.AdsTable1.setTableName(table);
            dm.AdsTable1.setExclusive(true);
            dm.AdsTable1.open();
            dm.AdsTable1.pack();
            dm.AdsTable1.close();
            stepBars();
            pause();
            if (cancelled())
                return false;
        }
    } catch (const std::exception& e) {
        MessageBoxes::error(QStringLiteral("Zugriff auf Datenbank konnte nicht korrekt durchgeführt werden!\r\n\r\n") +
                            exceptionText(e));
        return false;
    }
    return true;
}
