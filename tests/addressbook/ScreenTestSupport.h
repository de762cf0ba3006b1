#pragma once

#include "addressbook/RecordDialog.h"
#include "addressbook/RecordGrid.h"
#include "addressbook/ScreenDatabase.h"
#include "controls/TFlatSB.h"
#include "core/DM.h"
#include "core/DMTestDatabase.h"
#include "desktop/MessageBoxes.h"

#include <QAction>
#include <QList>

#include <functional>
#include <memory>

// The program's database module on a temporary database (by default the fixture of two
// senders and five recipients), with the message boxes recorded.
class ScreenFixture : public ::testing::Test {
public:
    explicit ScreenFixture(bool withFixture = true) : db(withFixture)
    {
        db.env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(db.folder()));
        dm = std::make_unique<TDM2>(availability);
    }

    // Makes every statement of one kind on a table fail with "injected", until disconnect.
    void failOn(const char* statement, const char* table)
    {
        const QString schema = QString::fromLatin1(table) == QLatin1String("Adressen") ? QStringLiteral("Adressen")
                                                                                       : QStringLiteral("main");
        dm->AdsConnection1.execute(QStringLiteral("Test"),
                                   QStringLiteral("CREATE TEMP TRIGGER fail_%1_%2 BEFORE %1 ON %3.%2 "
                                                  "BEGIN SELECT RAISE(ABORT, 'injected'); END")
                                       .arg(QString::fromLatin1(statement), QString::fromLatin1(table), schema));
    }

    static QString databaseMessage(const QString& detail)
    {
        return QStringLiteral("Zugriff auf Datenbank konnte nicht korrekt durchgeführt werden!\r\n\r\n") + detail;
    }

    // The rows a grid shows, its columns joined by ",", rows by "|".
    static QString gridRows(const TRecordGrid& grid)
    {
        QStringList rows;
        const QAbstractItemModel* model = grid.model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList values;
            for (int column = 0; column < model->columnCount(); ++column)
                values.append(model->index(row, column).data().toString());
            rows.append(values.join(u','));
        }
        return rows.join(u'|');
    }

    struct Availability : TDatabaseAvailability {
        void setDatabaseUnavailable(bool value) override { unavailable = value; }
        bool unavailable = false;
    };

    NewsTestDatabase db;
    Availability availability;
    MessageBoxRecorder boxes;
    std::unique_ptr<TDM2> dm;
};

// What the user does in each dialog a screen opens, in order; a dialog without a step is
// closed as if by Abbrechen.
class DialogScript {
public:
    template <typename Dialog> void then(std::function<void(Dialog&)> step)
    {
        m_steps.append([step](QDialog& dialog) { step(dynamic_cast<Dialog&>(dialog)); });
    }

    TDialogRunner runner()
    {
        return [this](QDialog& dialog) {
            ++shown;
            dialog.show();
            if (!m_steps.isEmpty())
                m_steps.takeFirst()(dialog);
            dialog.hide();
        };
    }

    int shown = 0;

private:
    QList<std::function<void(QDialog&)>> m_steps;
};

// Presses OK the way a user can: only once the idle update has enabled it.
inline void confirm(TRecordDialog& dialog)
{
    dialog.updateCommands();
    ASSERT_TRUE(dialog.confirmCommand()->isEnabled());
    dialog.confirmCommand()->trigger();
}
