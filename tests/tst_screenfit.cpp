// Windows on screens too small for them: the sizes and places the rules give, and the real main
// and service windows on the offscreen screen (800 x 600, smaller than either window), where
// every control must be reachable by scrolling.

#include "mainformlayout.h"
#include "screenfit.h"
#include "serviceformlayout.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

using namespace tovra;

namespace {

constexpr int bar = 16;

// Scrolls each shown control of `contents` into sight in turn and names those that cannot be
// wholly seen then.
QStringList unreachableControls(QScrollArea &scroller)
{
    QStringList unreachable;
    const QList<QWidget *> controls = scroller.widget()->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (!control->isVisibleTo(scroller.widget()) || control->objectName().isEmpty())
            continue;
        scroller.ensureWidgetVisible(control, 0, 0);
        const QRect inView(control->mapTo(scroller.viewport(), QPoint(0, 0)), control->size());
        if (!scroller.viewport()->rect().contains(inView))
            unreachable << control->objectName();
    }
    return unreachable;
}

QRect availableArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

class ScreenFitTest : public QObject
{
    Q_OBJECT
private slots:
    void windowTakesItsFullSizeOrWhatTheScreenLeaves_data();
    void windowTakesItsFullSizeOrWhatTheScreenLeaves();
    void windowStandsAsideFromControlsThatMustStayInSight_data();
    void windowStandsAsideFromControlsThatMustStayInSight();
    void everyControlOfTheMainWindowCanBeScrolledIntoSight();
    void everyControlOfTheServiceWindowCanBeScrolledIntoSight();
};

void ScreenFitTest::windowTakesItsFullSizeOrWhatTheScreenLeaves_data()
{
    QTest::addColumn<QSize>("full");
    QTest::addColumn<QSize>("room");
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("fits") << QSize(657, 687) << QSize(1016, 737) << QSize(657, 687);
    QTest::newRow("fits exactly") << QSize(657, 687) << QSize(657, 687) << QSize(657, 687);
    QTest::newRow("too tall: the vertical bar takes width")
        << QSize(657, 687) << QSize(952, 509) << QSize(657 + bar, 509);
    QTest::newRow("too wide: the horizontal bar takes height")
        << QSize(1018, 449) << QSize(1016, 737) << QSize(1016, 449 + bar);
    QTest::newRow("too wide, and its bar makes it too tall")
        << QSize(1018, 449) << QSize(1016, 460) << QSize(1016, 460);
    QTest::newRow("larger both ways") << QSize(1654, 1374) << QSize(952, 509) << QSize(952, 509);
}

void ScreenFitTest::windowTakesItsFullSizeOrWhatTheScreenLeaves()
{
    QFETCH(QSize, full);
    QFETCH(QSize, room);
    QTEST(fittedWindowSize(full, room, bar), "fitted");
}

void ScreenFitTest::windowStandsAsideFromControlsThatMustStayInSight_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("keepClear");
    QTest::addColumn<QRect>("placed");
    const QRect fireAndTiles(886, 190, 133, 440); // the main window pushed against the right edge
    QTest::newRow("clear of them already") << QRect(0, 0, 330, 464) << fireAndTiles << QRect(0, 0, 330, 464);
    QTest::newRow("over them: narrowed into the room on their left")
        << QRect(0, 100, 1026, 480) << fireAndTiles << QRect(0, 100, 886, 480);
    QTest::newRow("over them: moved left, width kept")
        << QRect(700, 100, 330, 464) << fireAndTiles << QRect(556, 100, 330, 464);
    QTest::newRow("more room on their right")
        << QRect(100, 100, 1026, 480) << QRect(5, 190, 133, 440) << QRect(138, 100, 886, 480);
    QTest::newRow("no room on either side: covering cannot be avoided")
        << QRect(0, 100, 1026, 480) << QRect(200, 190, 624, 440) << QRect(0, 100, 1026, 480);
}

// On a 1024 x 768 screen, for the service window (330 px wide at the least).
void ScreenFitTest::windowStandsAsideFromControlsThatMustStayInSight()
{
    QFETCH(QRect, frame);
    QFETCH(QRect, keepClear);
    QTEST(frameBeside(frame, keepClear, QRect(0, 0, 1024, 768), 330), "placed");
}

void ScreenFitTest::everyControlOfTheMainWindowCanBeScrolledIntoSight()
{
    QMainWindow window;
    MainFormLayout ui;
    ui.setupUi(&window, new QTextEdit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(ui.ClientArea->width() > availableArea().width(), "the offscreen screen is meant to be too small");

    QVERIFY(availableArea().contains(window.frameGeometry()));
    QVERIFY(window.maximumSize().width() >= ui.ClientArea->width());
    QCOMPARE(unreachableControls(*ui.ClientScroller), QStringList());
}

void ScreenFitTest::everyControlOfTheServiceWindowCanBeScrolledIntoSight()
{
    QWidget window;
    ServiceFormLayout ui;
    ui.setupUi(&window);
    ui.resizeContents(QSize(1018, 449));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(availableArea().contains(window.frameGeometry()));
    auto *scroller = window.findChild<QScrollArea *>();
    QVERIFY(scroller);
    QVERIFY(scroller->horizontalScrollBar()->isVisible());
    QCOMPARE(unreachableControls(*scroller), QStringList());
}

QTEST_MAIN(ScreenFitTest)
#include "tst_screenfit.moc"
