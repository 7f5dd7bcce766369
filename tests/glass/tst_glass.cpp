// The glass functions against a stand-in "dwmapi" that the test controls.

#include "glass.h"
#include "windownotifier.h"

#include <QLibrary>
#include <QTest>
#include <QWindow>

#include <cstdint>
#include <memory>

namespace {

using SetComposition = void (*)(std::int32_t, std::int32_t);
using SetExtendResult = void (*)(std::int32_t);
using ExtendCalls = int (*)(void **, int *);

constexpr std::int32_t failure = std::int32_t(0x80004005); // a negative result

} // namespace

class GlassTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void compositionState_data();
    void compositionState();
    void extendGlassFrame_data();
    void extendGlassFrame();
    void compositionChangeSwitchesBackground();
    void otherMessagesHaveNoEffect();
    void destroyedWidgetIsNotTouched();

private:
    SetComposition setComposition = nullptr;
    SetExtendResult setExtendResult = nullptr;
    ExtendCalls extendCalls = nullptr;
};

void GlassTest::initTestCase()
{
    QVERIFY(loadDwmApi());
    // The same library the glass functions loaded.
    QLibrary library(QStringLiteral("dwmapi"));
    setComposition = reinterpret_cast<SetComposition>(library.resolve("fakeDwmSetComposition"));
    setExtendResult = reinterpret_cast<SetExtendResult>(library.resolve("fakeDwmSetExtendResult"));
    extendCalls = reinterpret_cast<ExtendCalls>(library.resolve("fakeDwmExtendCalls"));
    QVERIFY(setComposition && setExtendResult && extendCalls);
}

void GlassTest::compositionState_data()
{
    QTest::addColumn<int>("enabled");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("active");

    QTest::newRow("on") << 1 << 0 << true;
    QTest::newRow("off") << 0 << 0 << false;
    QTest::newRow("on, positive success code") << 1 << 1 << true;
    QTest::newRow("call fails") << 1 << int(failure) << false;
}

void GlassTest::compositionState()
{
    QFETCH(int, enabled);
    QFETCH(int, result);
    QFETCH(bool, active);
    setComposition(enabled, result);
    QCOMPARE(compositionActive(), active);
}

void GlassTest::extendGlassFrame_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("glass");

    QTest::newRow("frame extended") << 0 << true;
    QTest::newRow("frame call fails") << int(failure) << false;
}

void GlassTest::extendGlassFrame()
{
    QFETCH(int, result);
    QFETCH(bool, glass);
    setExtendResult(result);

    QWidget widget;
    widget.setAttribute(Qt::WA_TranslucentBackground, !glass);
    void *before = nullptr;
    int margins[4] = {};
    const int callsBefore = extendCalls(&before, margins);
    const qsizetype glassBefore = notifierInstance()->glassWidgets.size();

    QCOMPARE(::extendGlassFrame(&widget, -1, 2, 3, 4), glass);

    void *window = nullptr;
    QCOMPARE(extendCalls(&window, margins), callsBefore + 1);
    QCOMPARE(window, reinterpret_cast<void *>(widget.winId()));
    QCOMPARE(QList<int>(margins, margins + 4), (QList<int>{-1, 2, 3, 4}));
    QCOMPARE(widget.testAttribute(Qt::WA_TranslucentBackground), glass);
    // Glass shows through only a window made with an alpha channel.
    if (glass)
        QCOMPARE(widget.windowHandle()->requestedFormat().alphaBufferSize(), 8);
    const QList<QPointer<QWidget>> &glassWidgets = notifierInstance()->glassWidgets;
    QCOMPARE(glassWidgets.size(), glassBefore + (glass ? 1 : 0));
    if (glass)
        QCOMPARE(glassWidgets.last().data(), &widget);
}

void GlassTest::compositionChangeSwitchesBackground()
{
    setExtendResult(0);
    QWidget first;
    QWidget second;
    QVERIFY(::extendGlassFrame(&first, -1, -1, -1, -1));
    QVERIFY(::extendGlassFrame(&second, -1, -1, -1, -1));

    setComposition(0, 0);
    notifierInstance()->windowManagerMessage(0x031E);
    QVERIFY(!first.testAttribute(Qt::WA_NoSystemBackground));
    QVERIFY(!second.testAttribute(Qt::WA_NoSystemBackground));

    setComposition(1, 0);
    notifierInstance()->windowManagerMessage(0x031E);
    QVERIFY(first.testAttribute(Qt::WA_NoSystemBackground));
    QVERIFY(second.testAttribute(Qt::WA_NoSystemBackground));
}

void GlassTest::otherMessagesHaveNoEffect()
{
    setExtendResult(0);
    QWidget widget;
    QVERIFY(::extendGlassFrame(&widget, -1, -1, -1, -1));
    for (const bool background : {false, true}) {
        widget.setAttribute(Qt::WA_NoSystemBackground, background);
        setComposition(background ? 0 : 1, 0); // a composition change would flip it
        for (const unsigned int message : {0x031Du, 0x031Fu, 0x0010u, 0u})
            notifierInstance()->windowManagerMessage(message);
        QCOMPARE(widget.testAttribute(Qt::WA_NoSystemBackground), background);
    }
}

void GlassTest::destroyedWidgetIsNotTouched()
{
    setExtendResult(0);
    QWidget survivor;
    auto doomed = std::make_unique<QWidget>();
    QVERIFY(::extendGlassFrame(doomed.get(), -1, -1, -1, -1));
    QVERIFY(::extendGlassFrame(&survivor, -1, -1, -1, -1));
    doomed.reset();

    // Under the address sanitizer a touch of the destroyed widget aborts here.
    setComposition(1, 0);
    notifierInstance()->windowManagerMessage(0x031E);
    QVERIFY(survivor.testAttribute(Qt::WA_NoSystemBackground));
}

QTEST_MAIN(GlassTest)
#include "tst_glass.moc"
