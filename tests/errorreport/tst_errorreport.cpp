// What the error report is made of, without widgets: the machine's
// description, and reading and removing the dump without following links or
// opening what is not a plain file. The body byte for byte is checked as it
// reaches a server, in tst_errordialog.

#include <dumpfile.h>
#include <systeminformation.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class ErrorReportTest : public QObject
{
    Q_OBJECT

private slots:
    void systemInformationLayout();
    void processorFromCpuInfo_data();
    void processorFromCpuInfo();
    void thisMachineDescribed();
    void readDump_data();
    void readDump();
    void tooLargeDumpRefused_data();
    void tooLargeDumpRefused();
};

void ErrorReportTest::systemInformationLayout()
{
    const ProcessorDescription processor{QStringLiteral(" Name  "), QStringLiteral("x86 Family 6")};
    QCOMPARE(systemInformationText(QStringLiteral("Windows"), QStringLiteral("Windows 7"),
                                   QStringLiteral("32 bit"), processor),
             QStringLiteral("\n\nSystem Information:\nOS: Windows\nSystem version: Windows 7\n"
                            "Architecture: 32 bit\nHardware profile:\nCPU Info:\n Name  \n"
                            "x86 Family 6\n"));
    QCOMPARE(systemInformationText(QStringLiteral("Other"), QStringLiteral("Unknown"),
                                   QStringLiteral("Unknown"), ProcessorDescription()),
             QStringLiteral("\n\nSystem Information:\nOS: Other\nSystem version: Unknown\n"
                            "Architecture: Unknown\nHardware profile:\nCPU Info:\n\n\n"));
}

void ErrorReportTest::processorFromCpuInfo_data()
{
    QTest::addColumn<QByteArray>("cpuInfo");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("identifier");

    const QByteArray intel = "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\n"
                             "model\t\t: 142\nmodel name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n"
                             "stepping\t: 10\nflags\t\t: fpu vme\n\n";
    QTest::newRow("intel") << intel << "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"
                           << "GenuineIntel Family 6 Model 142 Stepping 10";
    QTest::newRow("second processor ignored")
        << intel + "processor\t: 1\nvendor_id\t: Other\nmodel name\t: Second\n\n"
        << "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz" << "GenuineIntel Family 6 Model 142 Stepping 10";
    QTest::newRow("value kept as it stands")
        << QByteArray("vendor_id\t: AuthenticAMD\nmodel name\t: AMD Ryzen 7  \ncpu family\t: 23\n")
        << "AMD Ryzen 7  " << "AuthenticAMD Family 23";
    QTest::newRow("arm, no name") << QByteArray("processor\t: 0\nBogoMIPS\t: 48.00\nCPU part\t: 0xd08\n\n")
                                  << "" << "";
    QTest::newRow("empty") << QByteArray() << "" << "";
    QTest::newRow("empty value") << QByteArray("model name\t:\nstepping\t: 3\n") << "" << "Stepping 3";
}

void ErrorReportTest::processorFromCpuInfo()
{
    QFETCH(QByteArray, cpuInfo);
    QFETCH(QString, name);
    QFETCH(QString, identifier);

    const ProcessorDescription processor = ::processorFromCpuInfo(cpuInfo);
    QCOMPARE(processor.name, name);
    QCOMPARE(processor.identifier, identifier);
}

void ErrorReportTest::thisMachineDescribed()
{
    const QString text = systemInformation();
    QVERIFY2(text.startsWith(QStringLiteral("\n\nSystem Information:\nOS: Other\nSystem version: Unknown\n"
                                            "Architecture: Unknown\nHardware profile:\nCPU Info:\n")),
             qPrintable(text));
    QVERIFY(text.endsWith(QLatin1Char('\n')));
    QCOMPARE(text.count(QLatin1Char('\n')), 10);
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuInfo.open(QIODevice::ReadOnly)) {
        const ProcessorDescription processor = ::processorFromCpuInfo(cpuInfo.read(64 * 1024));
        QVERIFY(text.endsWith(QLatin1Char('\n') + processor.name + QLatin1Char('\n')
                              + processor.identifier + QLatin1Char('\n')));
    }
}

void ErrorReportTest::readDump_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("removed");

    QTest::newRow("regular file") << "file" << true << true;
    QTest::newRow("empty file") << "empty" << true << true;
    QTest::newRow("missing") << "missing" << false << false;
    QTest::newRow("folder") << "folder" << false << false;
    QTest::newRow("named pipe") << "fifo" << false << false;
    // The link goes; the file it points at stays, unread.
    QTest::newRow("link to a file") << "link" << false << true;
    QTest::newRow("dangling link") << "dangling" << false << true;
    if (::geteuid() != 0) // root reads every file
        QTest::newRow("no permission") << "unreadable" << false << true;
}

void ErrorReportTest::readDump()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
    QFETCH(bool, removed);

    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("dump.dmp"));
    const QString target = temp.filePath(QStringLiteral("secret.txt"));
    const QByteArray contents("dump \x00 bytes", 12);
    {
        QFile secret(target);
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("secret");
    }
    const QByteArray encoded = QFile::encodeName(path);
    if (kind == QLatin1String("file") || kind == QLatin1String("empty")
        || kind == QLatin1String("unreadable")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind != QLatin1String("empty"))
            file.write(contents);
        file.close();
        if (kind == QLatin1String("unreadable"))
            QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(temp.path()).mkdir(QStringLiteral("dump.dmp")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(encoded.constData(), 0600), 0);
    } else if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(target, path));
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(temp.filePath(QStringLiteral("gone")), path));
    }

    QFile dump(path);
    const std::optional<QByteArray> read = ::readDump(dump);
    QCOMPARE(read.has_value(), readable);
    if (readable)
        QCOMPARE(*read, kind == QLatin1String("empty") ? QByteArray() : contents);

    QCOMPARE(removeDump(dump), removed);
    struct stat status = {};
    QCOMPARE(::lstat(encoded.constData(), &status) == 0, !removed && kind != QLatin1String("missing"));
    QFile secret(target);
    QVERIFY(secret.open(QIODevice::ReadOnly));
    QCOMPARE(secret.readAll(), QByteArray("secret"));
}

void ErrorReportTest::tooLargeDumpRefused_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("readable");
    QTest::newRow("at the limit") << 100 << true;
    QTest::newRow("one byte over") << 101 << false;
}

void ErrorReportTest::tooLargeDumpRefused()
{
    QFETCH(int, size);
    QFETCH(bool, readable);

    QTemporaryDir temp;
    QFile file(temp.filePath(QStringLiteral("dump.dmp")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'd'));
    file.close();

    QFile dump(file.fileName());
    const std::optional<QByteArray> read = ::readDump(dump, 100);
    QCOMPARE(read.has_value(), readable);
    if (readable)
        QCOMPARE(read->size(), size);
    // Refused or not, it is a dump and goes.
    QVERIFY(removeDump(dump));
    QVERIFY(!QFile::exists(file.fileName()));
}

QTEST_GUILESS_MAIN(ErrorReportTest)
#include "tst_errorreport.moc"
