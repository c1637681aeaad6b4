// The Trends window on the offscreen platform over a history written beforehand: the range
// buttons, switching a series off (it leaves the plot and the export), the cursor read-out; and,
// with the whole program on a simulated laser, the history's pause in the status bar and the window.

#include "historyrig.h"
#include "programrig.h"
#include "scripteddesktop.h"
#include "trendplot.h"
#include "trendswindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTest>

using namespace tovra;
using namespace tovra::test;

Q_DECLARE_METATYPE(tovra::TrendsWindow::Range)

namespace {

constexpr qint64 MinuteMs = 60'000;
const LaserIdentity Laser{QStringLiteral("Tovra"), 4711, QStringLiteral("2.10")};

// Two hours of one update every two seconds up to now: bank voltage 340 + minute of the hour.
struct WindowRig
{
    WindowRig()
    {
        HistoryStore store;
        if (!store.open(folder.path(), HistoryStore::Mode::ReadWrite))
            return;
        const qint64 id = *store.laserId(Laser);
        QList<HistorySample> samples;
        for (qint64 t = now - 2 * 60 * MinuteMs; t <= now; t += 2000) {
            HistorySample sample = sampleAt(t, 340 + double(t / MinuteMs % 60));
            sample.set(Channel::DiodeCurrent, 12.5);
            samples << sample;
        }
        store.append(id, samples, {{now - 30 * MinuteMs, EventKind::Fire, QStringLiteral("Fire (FL 1)")}});
        window = std::make_unique<TrendsWindow>(
            TrendsWindow::Context{folder.path(), [] { return Laser; }, QStringLiteral("1.2.2.5"), desktop});
        window->show();
    }

    TrendPlot *plotOf(Unit unit) const
    {
        for (TrendPlot *plot : window->plots()) {
            if (plot->unit() == unit)
                return plot;
        }
        return nullptr;
    }

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    HistoryFolder folder;
    ScriptedDesktop desktop;
    std::unique_ptr<TrendsWindow> window;
};

} // namespace

class TrendsWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void rangeButtonShowsItsSpanUpToNow_data();
    void rangeButtonShowsItsSpanUpToNow();
    void seriesSwitchedOffInTheLegendLeavesPlotAndExport();
    void cursorReadOutNamesTimeAndValuesUnderThePointer();
    void keysAndWheelPanAndZoomTheSharedTimeAxis_data();
    void keysAndWheelPanAndZoomTheSharedTimeAxis();
    void plotHoldsAtMostTwoPointsPerColumn();
    void savePictureWritesThePlotsAsPng();
    void dataFileIsPlottedWithItsDamageInTheNote();
    void pausedHistoryIsNotedInTheStatusBarAndTheTrendsWindow();
};

void TrendsWindowTest::rangeButtonShowsItsSpanUpToNow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<qint64>("spanMs");
    QTest::newRow("10 min") << QStringLiteral("range10min") << 10 * MinuteMs;
    QTest::newRow("8 h") << QStringLiteral("range8h") << 8 * 60 * MinuteMs;
    QTest::newRow("30 d") << QStringLiteral("range30d") << 30 * 24 * 60 * MinuteMs;
    // All: from the first update held.
    QTest::newRow("all") << QStringLiteral("rangeAll") << 2 * 60 * MinuteMs;
}

void TrendsWindowTest::rangeButtonShowsItsSpanUpToNow()
{
    QFETCH(QString, button);
    QFETCH(qint64, spanMs);
    WindowRig rig;
    QVERIFY(rig.window);
    auto *push = rig.window->findChild<QAbstractButton *>(button);
    QVERIFY(push);
    QTest::mouseClick(push, Qt::LeftButton);
    QVERIFY(push->isChecked());
    QVERIFY(qAbs(rig.window->shownToMs() - QDateTime::currentMSecsSinceEpoch()) < 10'000);
    QVERIFY2(qAbs(rig.window->shownToMs() - rig.window->shownFromMs() - spanMs) < 10'000,
             qPrintable(QString::number(rig.window->shownToMs() - rig.window->shownFromMs())));
    QVERIFY(rig.plotOf(Unit::Volt)->pointCount() > 0);
}

void TrendsWindowTest::seriesSwitchedOffInTheLegendLeavesPlotAndExport()
{
    WindowRig rig;
    TrendPlot *amps = rig.plotOf(Unit::Ampere);
    QVERIFY(amps->isShown(Channel::DiodeCurrent));
    QLegendMarker *marker = nullptr;
    for (QLegendMarker *m : amps->chart()->legend()->markers()) {
        if (m->label() == QStringLiteral("Diode current"))
            marker = m;
    }
    QVERIFY(marker);
    emit marker->clicked();
    QVERIFY(!amps->isShown(Channel::DiodeCurrent));

    const QString file = rig.folder.path(QStringLiteral("shown.csv"));
    rig.desktop.saveAnswers << file;
    QTest::mouseClick(rig.window->findChild<QAbstractButton *>(QStringLiteral("exportCsv")), Qt::LeftButton);
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.at(5), QStringLiteral("UTC time,Local time,Bank voltage (V)"));
    QVERIFY(lines.size() > 1000);
}

void TrendsWindowTest::cursorReadOutNamesTimeAndValuesUnderThePointer()
{
    WindowRig rig;
    QTest::mouseClick(rig.window->findChild<QAbstractButton *>(QStringLiteral("range10min")), Qt::LeftButton);
    TrendPlot *volts = rig.plotOf(Unit::Volt);
    const QPointF inside = volts->chart()->plotArea().center();
    const QPoint at = volts->mapFromScene(inside);
    QTest::mouseMove(volts->viewport(), at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), volts->viewport()->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(volts->viewport(), &move);

    const qint64 ms = volts->timeAt(at);
    const QString expected = QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString text = rig.window->cursorReadOut();
    QVERIFY2(text.startsWith(expected), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Bank voltage 3")) && text.contains(QStringLiteral(" V")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Diode current 12.50 A")), qPrintable(text));
}

void TrendsWindowTest::keysAndWheelPanAndZoomTheSharedTimeAxis_data()
{
    QTest::addColumn<int>("key"); // none: the wheel turned one notch away at the plot's right edge
    QTest::addColumn<double>("endShift"); // of the span shown before
    QTest::addColumn<double>("spanFactor");
    QTest::newRow("Left pans back") << int(Qt::Key_Left) << -0.1 << 1.0;
    QTest::newRow("Right pans on") << int(Qt::Key_Right) << 0.1 << 1.0;
    QTest::newRow("+ zooms in at the live edge") << int(Qt::Key_Plus) << 0.0 << 0.8;
    QTest::newRow("- zooms out at the live edge") << int(Qt::Key_Minus) << 0.0 << 1.25;
    QTest::newRow("wheel zooms in at the pointer") << int(Qt::Key_unknown) << 0.0 << 0.8;
}

void TrendsWindowTest::keysAndWheelPanAndZoomTheSharedTimeAxis()
{
    QFETCH(int, key);
    QFETCH(double, endShift);
    QFETCH(double, spanFactor);
    WindowRig rig;
    TrendPlot *amps = rig.plotOf(Unit::Ampere);
    const qint64 fromMs = rig.window->shownFromMs();
    const qint64 toMs = rig.window->shownToMs();
    const double span = double(toMs - fromMs);
    if (key != Qt::Key_unknown) {
        QTest::keyClick(amps, Qt::Key(key));
    } else {
        const QPointF edge(amps->chart()->plotArea().right() - 1, amps->chart()->plotArea().center().y());
        const QPointF at = amps->mapFromScene(edge);
        QWheelEvent wheel(at, amps->viewport()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(amps->viewport(), &wheel);
    }
    const double shownSpan = double(rig.window->shownToMs() - rig.window->shownFromMs());
    QVERIFY2(qAbs(shownSpan / span - spanFactor) < 0.01, qPrintable(QString::number(shownSpan / span)));
    QVERIFY2(qAbs(double(rig.window->shownToMs() - toMs) / span - endShift) < 0.01,
             qPrintable(QString::number(double(rig.window->shownToMs() - toMs) / span)));
}

void TrendsWindowTest::plotHoldsAtMostTwoPointsPerColumn()
{
    WindowRig rig;
    QTest::mouseClick(rig.window->findChild<QAbstractButton *>(QStringLiteral("rangeAll")), Qt::LeftButton);
    TrendPlot *volts = rig.plotOf(Unit::Volt);
    const auto *bank = qobject_cast<QLineSeries *>(volts->chart()->series().first());
    QVERIFY(bank->count() > 0);
    QVERIFY2(bank->count() <= 2 * volts->plotColumns() + 2, qPrintable(QString::number(bank->count())));
}

void TrendsWindowTest::savePictureWritesThePlotsAsPng()
{
    WindowRig rig;
    rig.desktop.saveAnswers << rig.folder.path(QStringLiteral("trends")); // the suffix is added
    QTest::mouseClick(rig.window->findChild<QAbstractButton *>(QStringLiteral("savePicture")), Qt::LeftButton);
    QImage picture(rig.folder.path(QStringLiteral("trends.png")), "PNG");
    QCOMPARE(picture.size(), rig.window->size());
    QVERIFY(rig.desktop.textsOf(QStringLiteral("message")).isEmpty());
}

void TrendsWindowTest::dataFileIsPlottedWithItsDamageInTheNote()
{
    WindowRig rig;
    const QString fileName = rig.folder.path(QStringLiteral("TovraDataFile_1.txt"));
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Tovra Data File 12/10/26,10:00:00 AM\r\n"
               "Time,Bank V,FET V,FET Temp,Diode I,Resonator Temp\r\n"
               "10:00:01 AM,345.7,12,30.5,,25\r\n"
               "10:00:02 AM,345.8,12,30.6,,25\r\n"
               "10:00:03 AM,345.9,1");
    file.close();

    rig.window->openDataFile(fileName);
    QCOMPARE(rig.window->findChild<QComboBox *>(QStringLiteral("laserChoice"))->currentText(),
             QStringLiteral("Data file TovraDataFile_1.txt"));
    QVERIFY2(rig.window->note().contains(QStringLiteral("2 rows; 1 truncated row skipped; 2 unread values left out")),
             qPrintable(rig.window->note()));
    QCOMPARE(rig.plotOf(Unit::Volt)->pointCount(), 4); // bank and FET voltage of the two whole rows
    // The diode current was never read: no plot of zeros, no ampere plot at all.
    QVERIFY(!rig.plotOf(Unit::Ampere)->holdsValues());
    QVERIFY(rig.plotOf(Unit::Ampere)->isHidden());
}

void TrendsWindowTest::pausedHistoryIsNotedInTheStatusBarAndTheTrendsWindow()
{
    HistoryFolder folder;
    {
        QFile blocker(folder.path(QStringLiteral("tovra")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the history's folder should be
    }
    ProgramRig rig;
    rig.ports.add(1);
    rig.history = folder.settings(QStringLiteral("tovra/history.sqlite"));
    TMainForm &form = rig.start();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *statusNote = form.findChild<QLabel *>(QStringLiteral("historyState"));
    QVERIFY(statusNote);
    QTRY_VERIFY_WITH_TIMEOUT(statusNote->text().startsWith(QStringLiteral("History paused")), 15000);

    QTest::keyClick(&form, Qt::Key_T, Qt::ControlModifier);
    auto *trends = form.findChild<TrendsWindow *>();
    QTRY_VERIFY(trends && trends->isVisible());
    QVERIFY2(trends->note().contains(statusNote->text()), qPrintable(trends->note()));

    // Once the folder can be made the history resumes by itself with what was polled meanwhile.
    QVERIFY(QFile::remove(folder.path(QStringLiteral("tovra"))));
    QTRY_COMPARE_WITH_TIMEOUT(statusNote->text(), QString(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!folder.samples(QStringLiteral("tovra/history.sqlite")).isEmpty(), 15000);
    trends->reload();
    const QString chosen = trends->findChild<QComboBox *>(QStringLiteral("laserChoice"))->currentText();
    QVERIFY2(chosen.endsWith(QStringLiteral("(connected)")), qPrintable(chosen));
}

QTEST_MAIN(TrendsWindowTest)
#include "tst_trendswindow.moc"
