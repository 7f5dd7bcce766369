// The options that print and end (-h/--help, -v/--version, --list, --json):
// answered before anything else starts, with no display. Runs the built
// program with its own HOME and XDG folders and without DISPLAY,
// WAYLAND_DISPLAY or QT_QPA_PLATFORM, where an application object with
// windows would fail to start.

#include <informationoptions.h>

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int endTimeoutMs = 30000;

// Every file below root, relative to it.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDir dir(root);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            const QStringList inner = filesBelow(entry.filePath());
            for (const QString &file : inner)
                files.append(entry.fileName() + QLatin1Char('/') + file);
        } else {
            files.append(entry.fileName());
        }
    }
    return files;
}

} // namespace

class InformationOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void answeredBeforeAnythingStarts_data();
    void answeredBeforeAnythingStarts();
    void otherCommandLinesKeepTheirMeaning();
    void whichOption_data();
    void whichOption();

private:
    QProcessEnvironment sandboxEnvironment(const QTemporaryDir &home) const;
};

QProcessEnvironment InformationOptionsTest::sandboxEnvironment(const QTemporaryDir &home) const
{
    QDir root(home.path());
    root.mkpath(QStringLiteral("config"));
    root.mkpath(QStringLiteral("data"));
    root.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("TMPDIR"), home.path());
    return env;
}

void InformationOptionsTest::answeredBeforeAnythingStarts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expectedStart");

    QTest::newRow("version") << QStringList{"--version"} << QStringLiteral("Payvane 1.0.1.2\n");
    QTest::newRow("-v") << QStringList{"-v"} << QStringLiteral("Payvane 1.0.1.2\n");
    QTest::newRow("help") << QStringList{"--help"}
                          << QStringLiteral("Usage: Payvane [auto [SECONDS]]\n");
    QTest::newRow("-h") << QStringList{"-h"} << QStringLiteral("Usage: Payvane [auto [SECONDS]]\n");
    QTest::newRow("further arguments are ignored")
        << QStringList{"--version", "auto"} << QStringLiteral("Payvane 1.0.1.2\n");
    QTest::newRow("help wins over the list") << QStringList{"--list", "-h"}
                                             << QStringLiteral("Usage: Payvane [auto [SECONDS]]\n");
    // No bill file yet: no bills.
    QTest::newRow("--list") << QStringList{"--list"} << QStringLiteral("Due Date    Days Remaining  ");
    QTest::newRow("--json") << QStringList{"--json"} << QStringLiteral("[\n]\n");
    QTest::newRow("--list --json") << QStringList{"--list", "--json"} << QStringLiteral("[\n]\n");
}

void InformationOptionsTest::answeredBeforeAnythingStarts()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expectedStart);

    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = sandboxEnvironment(home);
    // No screen to reach: an application object would end the program with
    // an error, and an update check would need one first.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PAYVANE_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(endTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(output.startsWith(expectedStart), qPrintable(output));
    QCOMPARE(process.readAllStandardError(), QByteArray());
    // No instance lock, no settings, no data, no crash dump.
    QCOMPARE(filesBelow(home.path()), QStringList());
}

void InformationOptionsTest::otherCommandLinesKeepTheirMeaning()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = sandboxEnvironment(home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // No start asks the vendor's server (its name would be looked up).
    const QString configPath = home.filePath(QStringLiteral("config/Tervona/Payvane.conf"));
    QSettings(configPath, QSettings::IniFormat).setValue(QStringLiteral("UpdateAutoRun"), false);
    // "--version" after "auto" is the interval (not a number, so 0): the
    // automatic start with the interval rule, which ends without bills.
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PAYVANE_EXECUTABLE), {QStringLiteral("auto"), QStringLiteral("--version")});
    QVERIFY(process.waitForFinished(endTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QVERIFY(QSettings(configPath, QSettings::IniFormat).value(QStringLiteral("LastRun")).toDateTime().isValid());
}

void InformationOptionsTest::whichOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<InformationOption>("option");
    QTest::addColumn<QString>("unknown");

    using O = InformationOption;
    // The written command line keeps its meaning.
    QTest::newRow("no argument") << QStringList{} << O::None << QString();
    QTest::newRow("auto") << QStringList{"auto"} << O::None << QString();
    QTest::newRow("auto, then an option: its interval") << QStringList{"auto", "--help"} << O::None << QString();
    QTest::newRow("other first argument") << QStringList{"Auto", "--list"} << O::None << QString();
    QTest::newRow("other case") << QStringList{"--Version"} << O::None << QString();
    QTest::newRow("prefix") << QStringList{"--vers"} << O::None << QString();
    QTest::newRow("empty") << QStringList{""} << O::None << QString();
    // The options, alone and together.
    QTest::newRow("-h") << QStringList{"-h"} << O::Help << QString();
    QTest::newRow("--version") << QStringList{"--version"} << O::Version << QString();
    QTest::newRow("version, then anything") << QStringList{"-v", "x"} << O::Version << QString();
    QTest::newRow("help after the list") << QStringList{"--json", "x", "--help"} << O::Help << QString();
    QTest::newRow("--list") << QStringList{"--list"} << O::List << QString();
    QTest::newRow("--list --json") << QStringList{"--list", "--json"} << O::Json << QString();
    QTest::newRow("--json --list") << QStringList{"--json", "--list"} << O::Json << QString();
    QTest::newRow("--list twice") << QStringList{"--list", "--list"} << O::List << QString();
    QTest::newRow("list, then no option") << QStringList{"--list", "--days", "7"} << O::Unknown << "--days";
    QTest::newRow("--calendar") << QStringList{"--calendar"} << O::Calendar << QString();
    QTest::newRow("--calendar FILE") << QStringList{"--calendar", "a.ics"} << O::Calendar << QString();
    QTest::newRow("calendar, then help") << QStringList{"--calendar", "a.ics", "-h"} << O::Help << QString();
    // A mistyped option would otherwise become the file's name.
    QTest::newRow("calendar, then an option") << QStringList{"--calendar", "--json"} << O::Unknown << "--json";
    QTest::newRow("calendar, two files") << QStringList{"--calendar", "a", "b"} << O::Unknown << "b";
    QTest::newRow("list, then calendar") << QStringList{"--list", "--calendar"} << O::Unknown << "--calendar";
}

void InformationOptionsTest::whichOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(InformationOption, option);
    QFETCH(QString, unknown);
    arguments.prepend(QStringLiteral("Payvane"));
    QList<QByteArray> bytes;
    for (const QString &argument : std::as_const(arguments))
        bytes.append(argument.toUtf8());
    QList<const char *> argv;
    for (const QByteArray &argument : std::as_const(bytes))
        argv.append(argument.constData());
    QString named;
    QCOMPARE(informationOption(int(argv.size()), argv.constData(), &named), option);
    QCOMPARE(named, unknown);
}

QTEST_GUILESS_MAIN(InformationOptionsTest)
#include "tst_informationoptions.moc"
