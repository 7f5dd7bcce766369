// A main() for tests whose code reads or writes the user's settings: the
// process gets a home and XDG folders of its own before Qt looks at them, and
// the standard paths go to their test folders inside it as well.
#ifndef PAYVANE_TESTS_TESTSANDBOX_H
#define PAYVANE_TESTS_TESTSANDBOX_H

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#define PAYVANE_SANDBOXED_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char *argv[])                                                                             \
    {                                                                                                            \
        QTemporaryDir home;                                                                                      \
        if (!home.isValid())                                                                                     \
            return 1;                                                                                            \
        const QByteArray root = QFile::encodeName(home.path());                                                 \
        qputenv("HOME", root);                                                                                   \
        qputenv("XDG_CONFIG_HOME", root + "/config");                                                           \
        qputenv("XDG_DATA_HOME", root + "/data");                                                               \
        qputenv("XDG_CACHE_HOME", root + "/cache");                                                             \
        QStandardPaths::setTestModeEnabled(true);                                                                \
        QApplication app(argc, argv);                                                                            \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                 \
        TestObject test;                                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                                               \
        return QTest::qExec(&test, argc, argv);                                                                  \
    }

#endif // PAYVANE_TESTS_TESTSANDBOX_H
