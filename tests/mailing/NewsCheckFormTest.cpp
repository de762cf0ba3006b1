#include "mailing/NewsCheckForm.h"

#include "controls/TFlatSB.h"
#include "controls/TTACutLabel.h"
#include "core/StartForm.h"
#include "mailing/RecipientCheckModel.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QProgressBar>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

TRecipientMailData recipient(const QString& firma, const QString& name, const QString& ort, const QString& email)
{
    TRecipientMailData record;
    record.setText(RecipientField::Firma, firma);
    record.setText(RecipientField::Name, name);
    record.setText(RecipientField::Ort, ort);
    record.setText(RecipientField::Email, email);
    record.Selected = true;
    return record;
}

TFDBData threeRecipients()
{
    return {recipient(QStringLiteral("Bauer GmbH"), QStringLiteral("Bauer"), QStringLiteral("Kiel"),
                      QStringLiteral("bauer@example.org")),
            recipient({}, QStringLiteral("Ärger"), QStringLiteral("Lübeck"), {}),
            recipient(QStringLiteral("Zorn & Co"), QStringLiteral("Zorn"), QStringLiteral("Passau"),
                      QStringLiteral("zorn@example.org"))};
}

QStringList rowText(const QAbstractItemModel& model, int row)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.index(row, column).data().toString();
    return texts;
}

TEST(NewsCheckForm, ListsEveryRecordTickedInOrderAndTakesOverTheProgressWindow)
{
    TFDBData records = threeRecipients();
    records[1].Selected = false; // listed whatever its flags
    auto progress = std::make_unique<TPStartForm>();
    QPointer<TPStartForm> watch = progress.get();
    TNewsCheckForm form;
    const QString longSubject =
        QStringLiteral("Ein sehr langer Betreff, der nicht in die Zeile passt, ") + QString(60, u'x');
    form.Setup(records, QStringLiteral("Zeitung Nord"), QStringLiteral("info@nord.example"), longSubject, QString(),
               progress);
    EXPECT_EQ(progress, nullptr);
    EXPECT_TRUE(watch.isNull());

    const QAbstractItemModel& model = *form.LV1->model();
    const QAbstractItemModelTester tester(form.LV1->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Firma"));
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Email"));
    EXPECT_EQ(rowText(model, 0), (QStringList{QStringLiteral("Bauer GmbH"), QStringLiteral("Bauer"),
                                              QStringLiteral("Kiel"), QStringLiteral("bauer@example.org")}));
    EXPECT_EQ(rowText(model, 1), (QStringList{{}, QStringLiteral("Ärger"), QStringLiteral("Lübeck"), {}}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(model.index(row, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(form.TAL7->caption(), QStringLiteral("Zeitung Nord"));
    EXPECT_EQ(form.TAL10->caption(), QString());
    form.show();
    EXPECT_TRUE(form.TAL9->shownText().endsWith(QStringLiteral("...")));
    EXPECT_LT(form.TAL9->shownText().size(), longSubject.size());
}

TEST(NewsCheckForm, TicksReachTheRecordsOnlyThroughApplyUnchecked)
{
    struct Case {
        QList<int> untick;
        QList<bool> selected;
    };
    const QList<Case> cases{
        {{}, {true, false, true}},
        {{2}, {true, false, false}},
        {{0, 1, 2}, {false, false, false}},
    };
    for (const Case& c : cases) {
        TFDBData records = threeRecipients();
        records[1].Selected = false;
        std::unique_ptr<TPStartForm> none;
        TNewsCheckForm form;
        form.Setup(records, {}, {}, {}, {}, none);
        QAbstractItemModel& model = *form.LV1->model();
        const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        for (int row : c.untick)
            model.setData(model.index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
        EXPECT_TRUE(records[0].Selected); // nothing changes before ApplyUnchecked
        form.ApplyUnchecked(records);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(records[row].Selected, c.selected[row]) << row;
    }
}

TEST(NewsCheckForm, ResultFollowsTheButtonsAndAnEmptyListStillSends)
{
    TFDBData none;
    std::unique_ptr<TPStartForm> progress = std::make_unique<TPStartForm>();
    TNewsCheckForm sent;
    sent.Setup(none, {}, {}, {}, {}, progress);
    EXPECT_EQ(sent.LV1->model()->rowCount(), 0);
    sent.show();
    sent.FlatSB1->click();
    EXPECT_EQ(sent.Result, 1);

    TFDBData records = threeRecipients();
    TNewsCheckForm cancelled;
    cancelled.Setup(records, {}, {}, {}, {}, progress);
    cancelled.show();
    cancelled.FlatSB2->click();
    EXPECT_EQ(cancelled.Result, 0);
}

TEST(NewsCheckForm, ProgressBarRangeForOneRecord)
{
    // The bar runs to the number of records minus one, at least 1, and ends full.
    TFDBData records = threeRecipients().mid(0, 1);
    auto progress = std::make_unique<TPStartForm>();
    int maximum = -1;
    int value = -1;
    QObject::connect(progress->FPB1, &QProgressBar::valueChanged, progress.get(), [&](int v) {
        maximum = progress->FPB1->maximum();
        value = v;
    });
    TNewsCheckForm form;
    form.Setup(records, {}, {}, {}, {}, progress);
    EXPECT_EQ(maximum, 1);
    EXPECT_EQ(value, 1);
}

} // namespace
