// The error-report program's command line: anything but product, version
// and dump path ends it at once with code 0, showing nothing and leaving the
// dump alone.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ExceptionProgramTest : public QObject
{
    Q_OBJECT

private slots:
    void wrongArgumentCount_data();
    void wrongArgumentCount();
};

void ExceptionProgramTest::wrongArgumentCount_data()
{
    QTest::addColumn<int>("count"); // arguments after the program's name
    QTest::newRow("none") << 0;
    QTest::newRow("two") << 2;
    QTest::newRow("four") << 4;
}

void ExceptionProgramTest::wrongArgumentCount()
{
    QFETCH(int, count);
    QTemporaryDir temp;
    const QString dumpPath = temp.filePath(QStringLiteral("Payvane-1.dmp"));
    QFile dump(dumpPath);
    QVERIFY(dump.open(QIODevice::WriteOnly));
    dump.write("dump");
    dump.close();

    const QStringList all = {QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), dumpPath,
                             QStringLiteral("extra")};
    QStringList arguments = all.mid(0, count);
    // Two arguments: the dump's path is still among them, as the second.
    if (count == 2)
        arguments = {QStringLiteral("Payvane"), dumpPath};

    QProcess process;
    process.start(QStringLiteral(EXCEPTION_EXECUTABLE), arguments);
    // A dialog would keep it running; it must end by itself at once.
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QFile::exists(dumpPath));
}

QTEST_GUILESS_MAIN(ExceptionProgramTest)
#include "tst_exceptionprogram.moc"
