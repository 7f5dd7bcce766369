// A second start of the built program while it runs, on an X desktop of the
// test's own with a window manager: the running program comes forward, and
// of many starts at once one stays. Each start's end (with 0) is its answer;
// the bounds below only stop a start that hangs.
#include "../common/programsandbox.h"
#include "../common/xsession.h"

#include <QTest>

using namespace programsandbox;
using xsession::XSession;

namespace {

const QString Title = QStringLiteral("Payvane");

} // namespace

class SecondStartTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindowComesForward_data();
    void mainWindowComesForward();
    void reminderWindowComesForwardThenTheMainWindow();
    void manyStartsAtOnceLeaveOne();

private:
    // Starts the program and waits for its one window.
    QString startWithWindow(ProgramSandbox &sandbox, QProcess &process, const QStringList &arguments);
    // Starts a window of another program, which takes the focus.
    bool coverWithOtherWindow(QProcess &other, const QString &window);

    std::unique_ptr<XSession> desktop;
};

void SecondStartTest::initTestCase()
{
    if (!QFile::exists(fakeTimeLibrary))
        QSKIP("libfaketime is not installed");
    const QString missing = xsession::missingTool(true);
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    desktop = std::make_unique<XSession>();
    QVERIFY(desktop->start(true));
}

QString SecondStartTest::startWithWindow(ProgramSandbox &sandbox, QProcess &process, const QStringList &arguments)
{
    sandbox.setDisplay(desktop->display());
    sandbox.start(process, arguments);
    QStringList windows;
    for (int waited = 0; windows.isEmpty() && waited < endTimeoutMs && process.state() != QProcess::NotRunning;
         waited += 100) {
        QTest::qWait(100);
        windows = desktop->visibleWindows(Title);
    }
    return windows.size() == 1 ? windows.first() : QString();
}

bool SecondStartTest::coverWithOtherWindow(QProcess &other, const QString &window)
{
    other.setProcessEnvironment(desktop->environment());
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-center"), QStringLiteral("Another program")});
    for (int waited = 0; waited < endTimeoutMs; waited += 100) {
        const QString active = desktop->activeWindow();
        if (!active.isEmpty() && active != window)
            return true;
        QTest::qWait(100);
    }
    return false;
}

void SecondStartTest::mainWindowComesForward_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::newRow("minimized") << true;
    QTest::newRow("behind another window") << false;
}

void SecondStartTest::mainWindowComesForward()
{
    QFETCH(bool, minimized);
    ProgramSandbox sandbox;
    QProcess first;
    const QString window = startWithWindow(sandbox, first, {});
    QVERIFY(!window.isEmpty());
    QProcess other;
    if (minimized) {
        desktop->tool(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), window});
        QTRY_COMPARE_WITH_TIMEOUT(desktop->windowState(window), QStringLiteral("Iconic"), endTimeoutMs);
    } else {
        QVERIFY(coverWithOtherWindow(other, window));
    }

    const RunResult second = sandbox.run({});
    QVERIFY(second.ended);
    QCOMPARE(second.exitCode, 0);
    // Restored, raised and active; still the one window.
    QTRY_COMPARE_WITH_TIMEOUT(desktop->windowState(window), QStringLiteral("Normal"), endTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop->activeWindow(), window, endTimeoutMs);
    QCOMPARE(desktop->visibleWindows(Title), QStringList{window});

    first.kill();
    first.waitForFinished();
    other.kill();
    other.waitForFinished();
}

void SecondStartTest::reminderWindowComesForwardThenTheMainWindow()
{
    ProgramSandbox sandbox;
    QVERIFY(sandbox.writeBill(true));
    QProcess first;
    const QString reminders = startWithWindow(sandbox, first, {QStringLiteral("auto")});
    QVERIFY(!reminders.isEmpty());
    QProcess other;
    QVERIFY(coverWithOtherWindow(other, reminders));

    const RunResult second = sandbox.run({});
    QVERIFY(second.ended);
    QCOMPARE(second.exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(desktop->activeWindow(), reminders, endTimeoutMs);
    // The main window waits until the reminders are answered.
    QCOMPARE(desktop->visibleWindows(Title), QStringList{reminders});

    desktop->tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")});
    QTRY_VERIFY_WITH_TIMEOUT(!desktop->visibleWindows(Title).contains(reminders), endTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop->visibleWindows(Title).size(), 1, endTimeoutMs);
    QCOMPARE(first.state(), QProcess::Running);
    // The reminder window saved its list before the main window read it.
    const EventList saved = loadEvents(sandbox.eventsPath());
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first()->lastNotified, fakeNow.date());
    qDeleteAll(saved);

    first.kill();
    first.waitForFinished();
    other.kill();
    other.waitForFinished();
}

void SecondStartTest::manyStartsAtOnceLeaveOne()
{
    ProgramSandbox sandbox;
    sandbox.setDisplay(desktop->display());
    constexpr int starts = 20;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < starts; ++i) {
        processes.push_back(std::make_unique<QProcess>());
        sandbox.start(*processes.back(), {});
    }
    // Each later start ends with 0 by itself; one keeps its window.
    constexpr int allEndedMs = 4 * endTimeoutMs;
    QTRY_VERIFY_WITH_TIMEOUT(std::count_if(processes.begin(), processes.end(),
                                           [](const auto &p) { return p->state() == QProcess::NotRunning; })
                                 >= starts - 1,
                             allEndedMs);
    QTest::qWait(windowWaitMs);
    int running = 0;
    for (const auto &process : processes) {
        if (process->state() != QProcess::NotRunning) {
            ++running;
            continue;
        }
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }
    QCOMPARE(running, 1);
    QTRY_COMPARE_WITH_TIMEOUT(desktop->visibleWindows(Title).size(), 1, endTimeoutMs);
    for (const auto &process : processes) {
        process->kill();
        process->waitForFinished();
    }
}

QTEST_GUILESS_MAIN(SecondStartTest)
#include "tst_secondstart.moc"
