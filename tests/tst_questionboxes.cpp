#include "communication.h"
#include "desktoplinkprompts.h"
#include "laserstate.h"
#include "qtdesktop.h"
#include "rzcomport.h"
#include "simport.h"
#include "terminalview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace tovra;

Q_DECLARE_METATYPE(tovra::ButtonSet)
Q_DECLARE_METATYPE(tovra::Button)

namespace {

// Works the next box the program opens, from inside its nested event loop, as the operator would.
void whenABoxOpens(const std::function<void(QMessageBox &)> &act)
{
    auto *watch = new QTimer;
    watch->setInterval(5);
    QObject::connect(watch, &QTimer::timeout, [watch, act] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        watch->stop();
        watch->deleteLater();
        act(*box);
    });
    watch->start();
}

// The captions of the box's buttons as they stand on screen, left to right.
QStringList captionsLeftToRight(const QMessageBox &box)
{
    QList<QAbstractButton *> buttons = box.buttons();
    buttons.removeIf([](const QAbstractButton *button) { return !button->isVisible(); });
    std::sort(buttons.begin(), buttons.end(), [&box](const QAbstractButton *a, const QAbstractButton *b) {
        return a->mapTo(&box, QPoint()).x() < b->mapTo(&box, QPoint()).x();
    });
    QStringList captions;
    for (const QAbstractButton *button : buttons)
        captions.append(button->text().remove(QLatin1Char('&')));
    return captions;
}

QAbstractButton *buttonCaptioned(const QMessageBox &box, const QString &caption)
{
    for (QAbstractButton *button : box.buttons()) {
        if (button->text().remove(QLatin1Char('&')) == caption)
            return button;
    }
    return nullptr;
}

class UnseenView : public TerminalView
{
public:
    void appendTrafficLine(const QString &, TrafficDirection) override { }
    void clearTraffic() override { }
};

} // namespace

class QuestionBoxesTest : public QObject
{
    Q_OBJECT
private slots:
    void buttonsStandInTheOrderOfTheirSetAndAnswerThemselves_data();
    void buttonsStandInTheOrderOfTheirSetAndAnswerThemselves();
    void boxClosedWithoutAButtonAnswersNone_data();
    void boxClosedWithoutAButtonAnswersNone();
    void lostLinkBoxClosedByEscapeKeepsTheProgramWithPollingOff();
};

void QuestionBoxesTest::buttonsStandInTheOrderOfTheirSetAndAnswerThemselves_data()
{
    QTest::addColumn<ButtonSet>("set");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<Button>("answer");

    QTest::newRow("OK") << ButtonSet::Ok << QStringList{"OK"} << "OK" << Button::Ok;
    QTest::newRow("Abort, Retry: Retry") << ButtonSet::AbortRetry << QStringList{"Abort", "Retry"} << "Retry"
                                         << Button::Retry;
    QTest::newRow("Yes, No: No") << ButtonSet::YesNo << QStringList{"Yes", "No"} << "No" << Button::No;
    QTest::newRow("Yes, No, Ignore: Yes") << ButtonSet::YesNoIgnore << QStringList{"Yes", "No", "Ignore"} << "Yes"
                                          << Button::Yes;
    QTest::newRow("Yes, No, Ignore: No") << ButtonSet::YesNoIgnore << QStringList{"Yes", "No", "Ignore"} << "No"
                                         << Button::No;
    QTest::newRow("Yes, No, Ignore: Ignore") << ButtonSet::YesNoIgnore << QStringList{"Yes", "No", "Ignore"}
                                             << "Ignore" << Button::Ignore;
}

void QuestionBoxesTest::buttonsStandInTheOrderOfTheirSetAndAnswerThemselves()
{
    QFETCH(ButtonSet, set);
    QFETCH(QString, clicked);
    QtDesktop desktop;
    QStringList shown;
    QString text;
    whenABoxOpens([&](QMessageBox &box) {
        shown = captionsLeftToRight(box);
        text = box.text();
        QTest::mouseClick(buttonCaptioned(box, clicked), Qt::LeftButton);
    });

    QTEST(desktop.warning(QStringLiteral("Communications lost. Restart?"), set), "answer");
    QTEST(shown, "captions");
    QCOMPARE(text, QStringLiteral("Communications lost. Restart?"));
}

void QuestionBoxesTest::boxClosedWithoutAButtonAnswersNone_data()
{
    QTest::addColumn<ButtonSet>("set");
    QTest::addColumn<bool>("byEscape");

    QTest::newRow("Yes, No, Ignore by Escape") << ButtonSet::YesNoIgnore << true;
    QTest::newRow("Yes, No, Ignore by the close button") << ButtonSet::YesNoIgnore << false;
    QTest::newRow("Yes, No by Escape") << ButtonSet::YesNo << true;
    QTest::newRow("Abort, Retry by the close button") << ButtonSet::AbortRetry << false;
}

void QuestionBoxesTest::boxClosedWithoutAButtonAnswersNone()
{
    QFETCH(ButtonSet, set);
    QFETCH(bool, byEscape);
    QtDesktop desktop;
    whenABoxOpens([byEscape](QMessageBox &box) {
        if (byEscape)
            QTest::keyClick(&box, Qt::Key_Escape);
        else
            box.close();
    });

    QCOMPARE(desktop.warning(QStringLiteral("Communications lost. Restart?"), set), Button::None);
}

// The whole way from a reply that does not come to the operator's Escape: the program neither
// restarts nor ends (which would skip "FL 0"), and polling stays off.
void QuestionBoxesTest::lostLinkBoxClosedByEscapeKeepsTheProgramWithPollingOff()
{
    test::SimPorts ports;
    sim::SimulatedLaser &laser = ports.add(1);
    QtDesktop desktop;
    DesktopLinkPrompts prompts(desktop);
    TRZComPort port(prompts);
    LaserState state;
    UnseenView view;
    Communication comm(port, state, view, prompts);
    QTimer statusTimer;
    int restarts = 0;
    int exits = 0;
    comm.setTimeoutActions({
        .stopPolling = [&] { statusTimer.stop(); },
        .resumePolling = [&] { statusTimer.start(); },
        .restartApp = [&] { ++restarts; },
        .exitApp = [&] { ++exits; },
    });
    test::setUpLaserPort(port, 100);
    port.setAllowEvents(true);
    port.setOnTimeout([&] { comm.HandleTimeout(); });
    laser.setSilent(true);
    statusTimer.start(1000);
    QString asked;
    whenABoxOpens([&](QMessageBox &box) {
        asked = box.text();
        QTest::keyClick(&box, Qt::Key_Escape);
    });

    comm.QueryInt(QStringLiteral("SS"));

    QCOMPARE(asked, QStringLiteral("Communications lost. Restart?"));
    QCOMPARE(restarts, 0);
    QCOMPARE(exits, 0);
    QVERIFY(!statusTimer.isActive());
    QVERIFY(!comm.isDetached());
}

QTEST_MAIN(QuestionBoxesTest)
#include "tst_questionboxes.moc"
