// The glass functions where "dwmapi" is missing, or is a library of that
// name without the composition entry: no glass anywhere, nothing touched.

#include "glass.h"
#include "windownotifier.h"

#include <QApplication>
#include <QLibrary>
#include <QTest>

class GlassMissingTest : public QObject
{
    Q_OBJECT

private slots:
    void noCompositionAndNoGlass();
};

void GlassMissingTest::noCompositionAndNoGlass()
{
    if (qEnvironmentVariable("LD_LIBRARY_PATH").contains(QLatin1String("partial"))) {
        // Make sure the library of that name is really there, only incomplete.
        QLibrary library(QStringLiteral("dwmapi"));
        QVERIFY2(library.load(), qPrintable(library.errorString()));
        QVERIFY(library.resolve("DwmExtendFrameIntoClientArea"));
    }
    QVERIFY(!loadDwmApi());
    QVERIFY(!loadDwmApi()); // tried again, fails again
    QVERIFY(!compositionActive());

    QWidget widget;
    widget.setAttribute(Qt::WA_TranslucentBackground, true);
    QVERIFY(!extendGlassFrame(&widget, -1, -1, -1, -1));
    // Returned without touching the widget.
    QVERIFY(widget.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(!widget.testAttribute(Qt::WA_WState_Created));

    // No notifier window was made.
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows)
        QVERIFY(!qobject_cast<const WindowNotifier *>(window));
}

QTEST_MAIN(GlassMissingTest)
#include "tst_glassmissing.moc"
