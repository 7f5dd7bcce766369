// The payments as CSV, read back with Python's csv module: quoting, line
// ends, amounts with a dot, and names a spreadsheet would take for formulas.
#include "historycsv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The rows of a CSV file as Python's csv module reads them.
QJsonArray readWithPython(const QByteArray &csv)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("payments.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size())
        return {};
    file.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f, strict=True))))"),
                  path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

} // namespace

class tst_HistoryCsv : public QObject
{
    Q_OBJECT

private slots:
    void readBack_data();
    void readBack();
};

void tst_HistoryCsv::readBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("note");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("currency"); // empty: no amount
    QTest::addColumn<QStringList>("row"); // as read back: name, due, paid on, amount, currency, note

    const QString due = QStringLiteral("2026-11-30");
    const QString paid = QStringLiteral("2026-12-01");
    QTest::newRow("plain") << "Rent" << "" << qint64(125050) << "EUR"
                           << QStringList{"Rent", due, paid, "1250.50", "EUR", ""};
    QTest::newRow("comma and quotes") << "Gas, \"big\"" << "said \"ok\"" << qint64(5) << "USD"
                                      << QStringList{"Gas, \"big\"", due, paid, "0.05", "USD", "said \"ok\""};
    QTest::newRow("line breaks") << "Water\nbill" << "first\r\nsecond" << qint64(-7) << "JPY"
                                 << QStringList{"Water\nbill", due, paid, "-7", "JPY", "first\r\nsecond"};
    QTest::newRow("three decimals") << QString::fromUtf8("M\u00fcll \u2713") << "" << qint64(-1) << "KWD"
                                    << QStringList{QString::fromUtf8("M\u00fcll \u2713"), due, paid, "-0.001", "KWD", ""};
    QTest::newRow("no amount") << "Cloud" << "" << qint64(0) << "" << QStringList{"Cloud", due, paid, "", "", ""};
    QTest::newRow("formula in the name") << "=HYPERLINK(\"x\")" << "+1" << qint64(100) << "EUR"
                                         << QStringList{"'=HYPERLINK(\"x\")", due, paid, "1.00", "EUR", "'+1"};
    QTest::newRow("minus and at") << "-2+3" << "@sum" << qint64(100) << "EUR"
                                  << QStringList{"'-2+3", due, paid, "1.00", "EUR", "'@sum"};
}

void tst_HistoryCsv::readBack()
{
    QFETCH(QString, name);
    QFETCH(QString, note);
    QFETCH(qint64, units);
    QFETCH(QString, currency);
    const Money amount = currency.isEmpty() ? Money() : Money(units, currency);
    QFETCH(QStringList, row);

    Event bill;
    bill.name = name;
    const PaymentRecord payment{QDate(2026, 11, 30), QDate(2026, 12, 1), amount, note};
    bill.history = {payment, payment};
    Event unpaid; // no payments: no rows
    const QByteArray csv = historyCsv({&unpaid, &bill});
    QVERIFY(csv.endsWith("\r\n"));
    QVERIFY(csv.startsWith("Bill,Due date,Paid on,Amount,Currency,Note\r\n"));

    const QJsonArray rows = readWithPython(csv);
    QCOMPARE(rows.size(), 3);
    for (int i = 1; i < 3; ++i)
        QCOMPARE(rows.at(i).toVariant().toStringList(), row);
}

QTEST_GUILESS_MAIN(tst_HistoryCsv)
#include "tst_historycsv.moc"
