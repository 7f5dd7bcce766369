// The offer dialog: its form, its texts, the answers it gives and the
// "Disable auto update" box.
#include "dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class tst_Dialog : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void firstLineReadsAsOneSentence();
    void answers_data();
    void answers();
    void disableUpdate_data();
    void disableUpdate();

private:
    template<typename T>
    static T *child(const Dialog &dialog, const char *name)
    {
        T *widget = dialog.findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
};

void tst_Dialog::form()
{
    Dialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("Dialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Update Available"));
    QVERIFY(!dialog.windowIcon().isNull());
    QVERIFY(!dialog.windowIcon().availableSizes().isEmpty());

    QCOMPARE(child<QLabel>(dialog, "label")->text(), QStringLiteral("A new version of "));
    QCOMPARE(child<QLabel>(dialog, "labelProduct")->text(), QStringLiteral("Product"));
    QCOMPARE(child<QLabel>(dialog, "label_3")->text(), QStringLiteral(" is available."));
    QCOMPARE(child<QLabel>(dialog, "label_4")->text(), QStringLiteral("Do you want to update now?"));
    QCOMPARE(child<QCheckBox>(dialog, "checkBoxDisableUpdate")->text(), QStringLiteral("Disable auto update"));
    QCOMPARE(child<QPushButton>(dialog, "buttonYes")->text(), QStringLiteral("Yes"));
    QCOMPARE(child<QPushButton>(dialog, "buttonNo")->text(), QStringLiteral("No"));

    // Three rows, top to bottom; the check box left of the buttons.
    auto *rows = qobject_cast<QVBoxLayout *>(dialog.layout());
    QVERIFY(rows);
    QCOMPARE(rows->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(rows->count(), 3);
    QCOMPARE(rows->itemAt(0)->layout()->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(rows->itemAt(1)->widget()->objectName(), QStringLiteral("label_4"));
    QLayout *bottom = rows->itemAt(2)->layout();
    QCOMPARE(bottom->objectName(), QStringLiteral("horizontalLayout_2"));
    QCOMPARE(bottom->count(), 4);
    QCOMPARE(bottom->itemAt(0)->widget()->objectName(), QStringLiteral("checkBoxDisableUpdate"));
    QVERIFY(bottom->itemAt(1)->spacerItem());
    QCOMPARE(bottom->itemAt(2)->widget()->objectName(), QStringLiteral("buttonYes"));
    QCOMPARE(bottom->itemAt(3)->widget()->objectName(), QStringLiteral("buttonNo"));

    // The buttons are tied to the two slots by name; nothing else.
    const QMetaObject &meta = Dialog::staticMetaObject;
    QStringList slotNames;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        slotNames << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(slotNames, (QStringList{"on_buttonYes_clicked()", "on_buttonNo_clicked()"}));
}

void tst_Dialog::firstLineReadsAsOneSentence()
{
    Dialog dialog;
    dialog.setProduct(QStringLiteral("Payvane"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    auto *line = qobject_cast<QHBoxLayout *>(child<QLabel>(dialog, "label")->parentWidget()->layout()->itemAt(0)->layout());
    QVERIFY(line);
    QCOMPARE(line->spacing(), 0);
    const QLabel *first = child<QLabel>(dialog, "label");
    const QLabel *product = child<QLabel>(dialog, "labelProduct");
    const QLabel *last = child<QLabel>(dialog, "label_3");
    QCOMPARE(first->text() + product->text() + last->text(), QStringLiteral("A new version of Payvane is available."));
    // The three labels sit edge to edge on one line, each as wide as its text
    // needs, so the spaces in the texts are the only gaps.
    QCOMPARE(product->x(), first->geometry().right() + 1);
    QCOMPARE(last->x(), product->geometry().right() + 1);
    QCOMPARE(product->y(), first->y());
    QCOMPARE(product->width(), product->sizeHint().width());
    QVERIFY(last->geometry().right() < dialog.width());
}

void tst_Dialog::answers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");

    QTest::newRow("Yes") << "buttonYes" << int(QMessageBox::Yes);
    QTest::newRow("No") << "buttonNo" << int(QMessageBox::No);
    QTest::newRow("Escape") << "" << 0;
}

void tst_Dialog::answers()
{
    QFETCH(QString, how);
    QFETCH(int, result);

    Dialog dialog;
    QTimer::singleShot(0, &dialog, [&dialog, how] {
        QVERIFY(dialog.isVisible());
        if (how.isEmpty())
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            child<QPushButton>(dialog, how.toLatin1().constData())->click();
    });
    QCOMPARE(dialog.exec(), result);
    QVERIFY(!dialog.isVisible());
}

void tst_Dialog::disableUpdate_data()
{
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("disable");

    QTest::newRow("shown, ticked") << true << true << true;
    QTest::newRow("shown, not ticked") << true << false << false;
    // A box ticked during an earlier offer and hidden now counts as not ticked.
    QTest::newRow("hidden, ticked") << false << true << false;
    QTest::newRow("hidden, not ticked") << false << false << false;
}

void tst_Dialog::disableUpdate()
{
    QFETCH(bool, visible);
    QFETCH(bool, ticked);
    QFETCH(bool, disable);

    Dialog dialog;
    auto *box = child<QCheckBox>(dialog, "checkBoxDisableUpdate");
    box->setChecked(ticked);
    dialog.setDisableUpdateVisible(visible);
    // Asked while the dialog is open and after it has closed, as the updater does.
    QTimer::singleShot(0, &dialog, [&dialog, disable] {
        QCOMPARE(dialog.disableUpdate(), disable);
        dialog.reject();
    });
    dialog.exec();
    QCOMPARE(dialog.disableUpdate(), disable);
    // The box keeps its state whether shown or not.
    QCOMPARE(box->isChecked(), ticked);
    dialog.setDisableUpdateVisible(true);
    QCOMPARE(dialog.disableUpdate(), ticked);
}

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
