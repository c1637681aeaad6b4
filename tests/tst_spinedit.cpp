#include "plusspinedit.h"
#include "spinbutton.h"

#include <QApplication>
#include <QFontInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using tovra::SpinButton;
using tovra::TPlusSpinEdit;

namespace {

// A control as the main window creates its repetition rate: one decimal, stepping by 0.1.
std::unique_ptr<TPlusSpinEdit> makeRepRateEdit()
{
    auto edit = std::make_unique<TPlusSpinEdit>();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(15);
    edit->setFont(font);
    edit->setAutoSize(false);
    edit->setBorderStyle(tovra::TBorderStyle::bsNone);
    edit->setDecimals(1);
    edit->setIncrement(0.1);
    edit->setMinValue(0.1);
    edit->setMaxValue(100.0);
    edit->setValue(5.0);
    edit->resize(120, 24);
    return edit;
}

bool showFocused(TPlusSpinEdit &edit)
{
    edit.show();
    edit.activateWindow();
    if (!QTest::qWaitForWindowActive(&edit))
        return false;
    edit.setFocus();
    return QTest::qWaitFor([&edit] { return edit.hasFocus(); });
}

SpinButton *button(TPlusSpinEdit &edit, const char *name)
{
    return edit.findChild<SpinButton *>(QLatin1String(name));
}

QTimer *repeatTimer(TPlusSpinEdit &edit)
{
    return edit.findChild<QTimer *>(QStringLiteral("fTimer"));
}

void fireRepeatTimer(TPlusSpinEdit &edit)
{
    QVERIFY(QMetaObject::invokeMethod(repeatTimer(edit), "timeout"));
}

// A move while the left button is held, as the button sees it.
void dragTo(QWidget *widget, const QPoint &position)
{
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void sendKey(QWidget *widget, QEvent::Type type, Qt::Key key, bool autoRepeat)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class SpinEditTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithDocumentedDefaults();
    void upAndDownKeysStepByIncrement();
    void leftAndRightKeysMoveFocusDigit();
    void leftKeyStopsAtControlEdge();
    void typedDigitsOverwriteFocusDigit_data();
    void typedDigitsOverwriteFocusDigit();
    void typedDigitsIgnoredWhenEditorDisabled();
    void ctrlZeroZeroesDigitsRightOfFocus_data();
    void ctrlZeroZeroesDigitsRightOfFocus();
    void clickPicksDigitAndPointPicksUnits();
    void doubleClickZeroesDigitsRightOfClickedOne();
    void heldButtonRepeatsOnSchedule();
    void heldButtonRepeatsWhileTimePasses();
    void heldButtonWithoutTrackingReportsOnceAtRelease();
    void heldKeyWithoutTrackingReportsOnceAtRelease();
    void codeWritesReportOnlyThroughValueAndLimits();
    void rejectedDigitIsReportedWithMessage();
    void disabledControlIgnoresInput();
    void disablingDuringHeldButtonStopsRepeat();
    void losingFocusDuringHeldButtonStopsRepeat();
    void autoSizeFitsWiderLimit();
    void autoSizeWithEqualLimitsKeepsWidth();
};

void SpinEditTest::startsWithDocumentedDefaults()
{
    TPlusSpinEdit edit;
    QCOMPARE(edit.Value(), 0.0);
    QCOMPARE(edit.Text(), "0.00");
    QCOMPARE(edit.Decimals(), 2);
    QCOMPARE(edit.Increment(), 1.0);
    QCOMPARE(edit.focusPlace(), 0);
    QCOMPARE(edit.Base(), 10);
    QCOMPARE(edit.LeadingDigits(), 0);
    QVERIFY(edit.ThousandSeparator().isNull());
    QVERIFY(edit.EditorEnabled());
    QVERIFY(edit.TrackSpin());
    QVERIFY(!edit.EnterRequired());
    QVERIFY(edit.AutoSize());
    QVERIFY(edit.BorderStyle() == tovra::TBorderStyle::bsSingle);
    QCOMPARE(edit.focusPolicy(), Qt::StrongFocus);
    QCOMPARE(edit.width(), 8 * QFontInfo(edit.font()).pixelSize());

    edit.setDecimals(40);
    edit.setLeadingDigits(-3);
    edit.setBase(99);
    QCOMPARE(edit.Decimals(), 18);
    QCOMPARE(edit.LeadingDigits(), 0);
    QCOMPARE(edit.Base(), 20);
}

void SpinEditTest::upAndDownKeysStepByIncrement()
{
    auto edit = makeRepRateEdit();
    QVERIFY(showFocused(*edit));
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);

    QTest::keyClick(edit.get(), Qt::Key_Up);
    QCOMPARE(edit->Text(), "5.1");
    QCOMPARE(changed.count(), 1);
    QTest::keyClick(edit.get(), Qt::Key_Down);
    QTest::keyClick(edit.get(), Qt::Key_Down);
    QCOMPARE(edit->Text(), "4.9");
    QCOMPARE(changed.count(), 3);
}

void SpinEditTest::leftAndRightKeysMoveFocusDigit()
{
    auto edit = makeRepRateEdit();
    QVERIFY(showFocused(*edit));
    QSignalSpy incrementSet(edit.get(), &TPlusSpinEdit::OnSetIncrement);
    QCOMPARE(edit->focusPlace(), -1);

    QTest::keyClick(edit.get(), Qt::Key_Left);
    QTest::keyClick(edit.get(), Qt::Key_Left);
    QCOMPARE(edit->focusPlace(), 1);
    QCOMPARE(edit->Text(), "_5.0");
    QCOMPARE(edit->Increment(), 10.0);
    QCOMPARE(incrementSet.count(), 2);

    QTest::keyClick(edit.get(), Qt::Key_Up);
    QCOMPARE(edit->Value(), 15.0);

    QTest::keyClick(edit.get(), Qt::Key_Right);
    QTest::keyClick(edit.get(), Qt::Key_Right);
    QTest::keyClick(edit.get(), Qt::Key_Right); // already on the last decimal
    QCOMPARE(edit->focusPlace(), -1);
    QCOMPARE(incrementSet.count(), 4);
}

void SpinEditTest::leftKeyStopsAtControlEdge()
{
    auto edit = makeRepRateEdit();
    edit->setMinValue(0.0);
    edit->setMaxValue(0.0); // no limit place to stop the focus
    QVERIFY(showFocused(*edit));

    for (int i = 0; i < 30; ++i)
        QTest::keyClick(edit.get(), Qt::Key_Left);
    const int stoppedAt = edit->focusPlace();
    QVERIFY(stoppedAt > 1);
    QVERIFY(stoppedAt < 29);
    QVERIFY(edit->focusRect().left() > -2);
    QTest::keyClick(edit.get(), Qt::Key_Left);
    QCOMPARE(edit->focusPlace(), stoppedAt);
}

void SpinEditTest::typedDigitsOverwriteFocusDigit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("reports");

    QTest::newRow("one digit") << "7" << 5.7 << 1;
    QTest::newRow("point does nothing") << "." << 5.0 << 0;
    QTest::newRow("minus does nothing") << "-" << 5.0 << 0;
    QTest::newRow("letter does nothing") << "x" << 5.0 << 0;
}

void SpinEditTest::typedDigitsOverwriteFocusDigit()
{
    QFETCH(QString, typed);
    QFETCH(double, value);
    QFETCH(int, reports);

    auto edit = makeRepRateEdit();
    QVERIFY(showFocused(*edit));
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);
    QTest::keyClicks(edit.get(), typed);
    QCOMPARE(edit->Value(), value);
    QCOMPARE(changed.count(), reports);
}

void SpinEditTest::typedDigitsIgnoredWhenEditorDisabled()
{
    auto edit = makeRepRateEdit();
    edit->setEditorEnabled(false);
    QVERIFY(showFocused(*edit));
    QTest::keyClicks(edit.get(), "7");
    QTest::keyClick(edit.get(), Qt::Key_Up); // the buttons and keys still step
    QCOMPARE(edit->Text(), "5.1");
}

void SpinEditTest::ctrlZeroZeroesDigitsRightOfFocus_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    QTest::newRow("main keyboard") << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("numeric keypad") << (Qt::ControlModifier | Qt::KeypadModifier);
}

void SpinEditTest::ctrlZeroZeroesDigitsRightOfFocus()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);

    auto edit = makeRepRateEdit();
    edit->setValue(45.6);
    QVERIFY(showFocused(*edit));
    QTest::keyClick(edit.get(), Qt::Key_Left);
    QTest::keyClick(edit.get(), Qt::Key_Left); // the tens
    QTest::keyClick(edit.get(), Qt::Key_0, modifiers);
    QCOMPARE(edit->Value(), 40.0);
}

void SpinEditTest::clickPicksDigitAndPointPicksUnits()
{
    auto edit = makeRepRateEdit();
    edit->setDecimals(2);
    edit->setValue(45.67);
    QVERIFY(showFocused(*edit));
    QCOMPARE(edit->focusPlace(), -1);
    const QRect firstDecimal = edit->focusRect();
    QTest::keyClick(edit.get(), Qt::Key_Left);
    const QRect units = edit->focusRect();
    QTest::keyClick(edit.get(), Qt::Key_Left);
    const QRect tens = edit->focusRect();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(edit.get(), Qt::Key_Right);
    const QRect lastDecimal = edit->focusRect();
    QCOMPARE(edit->focusPlace(), -2);

    QTest::mouseClick(edit.get(), Qt::LeftButton, Qt::NoModifier, tens.center());
    QCOMPARE(edit->focusPlace(), 1);
    QCOMPARE(edit->Increment(), 10.0);

    // The decimal point lies between the units and the first decimal.
    const QPoint onPoint((units.right() + 1 + firstDecimal.left()) / 2, units.center().y());
    QVERIFY(onPoint.x() > units.right());
    QTest::mouseClick(edit.get(), Qt::LeftButton, Qt::NoModifier, onPoint);
    QCOMPARE(edit->focusPlace(), 0);

    QTest::mouseClick(edit.get(), Qt::LeftButton, Qt::NoModifier, lastDecimal.center());
    QCOMPARE(edit->focusPlace(), -2);
    QCOMPARE(edit->Value(), 45.67); // a click never changes the value
}

void SpinEditTest::doubleClickZeroesDigitsRightOfClickedOne()
{
    auto edit = makeRepRateEdit();
    edit->setValue(45.6);
    QVERIFY(showFocused(*edit));
    QTest::keyClick(edit.get(), Qt::Key_Left);
    const QRect units = edit->focusRect();
    QTest::keyClick(edit.get(), Qt::Key_Right);

    QTest::mouseDClick(edit.get(), Qt::LeftButton, Qt::NoModifier, units.center());
    QCOMPARE(edit->focusPlace(), 0);
    QCOMPARE(edit->Value(), 45.0);
}

void SpinEditTest::heldButtonRepeatsOnSchedule()
{
    auto edit = makeRepRateEdit();
    edit->setIncrement(1.0);
    QVERIFY(showFocused(*edit));
    SpinButton *up = button(*edit, "fUpButton");
    QTimer *timer = repeatTimer(*edit);
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);

    QTest::mousePress(up, Qt::LeftButton);
    QCOMPARE(edit->Value(), 6.0); // one step at the press
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), TPlusSpinEdit::initialRepeatDelayMs);
    QCOMPARE(TPlusSpinEdit::initialRepeatDelayMs, 500);

    fireRepeatTimer(*edit);
    QCOMPARE(edit->Value(), 7.0);
    QCOMPARE(timer->interval(), TPlusSpinEdit::repeatIntervalMs);
    QCOMPARE(TPlusSpinEdit::repeatIntervalMs, 150);
    fireRepeatTimer(*edit);
    QCOMPARE(edit->Value(), 8.0);

    dragTo(up, QPoint(-20, -20));
    fireRepeatTimer(*edit);
    fireRepeatTimer(*edit);
    QCOMPARE(edit->Value(), 8.0); // paused while dragged off
    dragTo(up, up->rect().center());
    fireRepeatTimer(*edit);
    QCOMPARE(edit->Value(), 9.0);

    QTest::mouseRelease(up, Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QCOMPARE(changed.count(), 4);
}

void SpinEditTest::heldButtonRepeatsWhileTimePasses()
{
    auto edit = makeRepRateEdit();
    edit->setIncrement(1.0);
    QVERIFY(showFocused(*edit));
    SpinButton *down = button(*edit, "fDownButton");

    QTest::mousePress(down, Qt::LeftButton);
    QCOMPARE(edit->Value(), 4.0);
    QTRY_COMPARE_WITH_TIMEOUT(edit->Value(), 2.0, 10000);
    QTest::mouseRelease(down, Qt::LeftButton);
    const double released = edit->Value();
    QTest::qWait(2 * TPlusSpinEdit::initialRepeatDelayMs);
    QCOMPARE(edit->Value(), released);
}

void SpinEditTest::heldButtonWithoutTrackingReportsOnceAtRelease()
{
    auto edit = makeRepRateEdit();
    edit->setTrackSpin(false);
    QVERIFY(showFocused(*edit));
    SpinButton *up = button(*edit, "fUpButton");
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);

    QTest::mousePress(up, Qt::LeftButton);
    fireRepeatTimer(*edit);
    fireRepeatTimer(*edit);
    QCOMPARE(changed.count(), 0);
    QTest::mouseRelease(up, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit->Text(), "5.3");
}

void SpinEditTest::heldKeyWithoutTrackingReportsOnceAtRelease()
{
    auto edit = makeRepRateEdit();
    edit->setTrackSpin(false);
    QVERIFY(showFocused(*edit));
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);

    sendKey(edit.get(), QEvent::KeyPress, Qt::Key_Up, false);
    for (int i = 0; i < 3; ++i) { // the keyboard's repeat sends release and press pairs
        sendKey(edit.get(), QEvent::KeyRelease, Qt::Key_Up, true);
        sendKey(edit.get(), QEvent::KeyPress, Qt::Key_Up, true);
    }
    QCOMPARE(changed.count(), 0);
    sendKey(edit.get(), QEvent::KeyRelease, Qt::Key_Up, false);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit->Text(), "5.4");
}

void SpinEditTest::codeWritesReportOnlyThroughValueAndLimits()
{
    auto edit = makeRepRateEdit();
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);

    edit->setValueSilently(7.0);
    QCOMPARE(edit->Value(), 7.0);
    QCOMPARE(changed.count(), 0);
    edit->setValue(150.5);
    edit->setValue(150.5);
    QCOMPARE(edit->Value(), 100.0);
    QCOMPARE(changed.count(), 1);
    edit->setMaxValue(80.0);
    QCOMPARE(edit->Value(), 80.0);
    QCOMPARE(changed.count(), 2);
    edit->setIntValue(12);
    QCOMPARE(edit->IntValue(), 12);
    QCOMPARE(changed.count(), 3);
}

void SpinEditTest::rejectedDigitIsReportedWithMessage()
{
    auto edit = makeRepRateEdit();
    edit->setMinValue(0.0);
    edit->setMaxValue(0.0);
    edit->setDecimals(0);
    edit->setBase(8);
    edit->setValue(9.0);
    QVERIFY(showFocused(*edit));
    QTest::keyClick(edit.get(), Qt::Key_Left);
    QSignalSpy rejected(edit.get(), &TPlusSpinEdit::inputRejected);

    QTest::keyClicks(edit.get(), "1");
    QCOMPARE(rejected.count(), 1);
    QCOMPARE(rejected.first().first().toString(), "Not a valid number");
    QCOMPARE(edit->Value(), 9.0);
}

void SpinEditTest::disabledControlIgnoresInput()
{
    auto edit = makeRepRateEdit();
    QVERIFY(showFocused(*edit));
    QTest::keyClick(edit.get(), Qt::Key_Left);
    const QRect units = edit->focusRect();
    QTest::keyClick(edit.get(), Qt::Key_Right);
    edit->setEnabled(false);
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);
    QSignalSpy incrementSet(edit.get(), &TPlusSpinEdit::OnSetIncrement);
    // QTest reports every event the disabled control refuses: 14 key and 7 mouse events.
    for (int i = 0; i < 14; ++i)
        QTest::ignoreMessage(QtWarningMsg, "Keyboard event not accepted by receiving widget");
    for (int i = 0; i < 7; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Mouse event .* not accepted"));

    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right})
        QTest::keyClick(edit.get(), key);
    QTest::keyClicks(edit.get(), "9");
    QTest::keyClick(edit.get(), Qt::Key_0, Qt::ControlModifier);
    QTest::mouseClick(edit.get(), Qt::LeftButton, Qt::NoModifier, units.center());
    QTest::mouseDClick(edit.get(), Qt::LeftButton, Qt::NoModifier, units.center());
    for (const char *name : {"fUpButton", "fDownButton"}) {
        QTest::mousePress(button(*edit, name), Qt::LeftButton);
        QTest::mouseRelease(button(*edit, name), Qt::LeftButton);
    }

    QCOMPARE(edit->Value(), 5.0);
    QCOMPARE(edit->focusPlace(), -1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(incrementSet.count(), 0);
    QVERIFY(!repeatTimer(*edit)->isActive());

    edit->setValue(6.0); // code still writes the value
    QCOMPARE(changed.count(), 1);
}

void SpinEditTest::disablingDuringHeldButtonStopsRepeat()
{
    auto edit = makeRepRateEdit();
    edit->setTrackSpin(false);
    QVERIFY(showFocused(*edit));
    QSignalSpy changed(edit.get(), &TPlusSpinEdit::OnChange);
    QTest::mousePress(button(*edit, "fUpButton"), Qt::LeftButton);

    edit->setEnabled(false);
    QVERIFY(!repeatTimer(*edit)->isActive());
    QCOMPARE(changed.count(), 1); // the deferred step is not lost
    edit->setEnabled(true);
    QVERIFY(!button(*edit, "fUpButton")->isDown());
}

void SpinEditTest::losingFocusDuringHeldButtonStopsRepeat()
{
    auto edit = makeRepRateEdit();
    QWidget other;
    QVERIFY(showFocused(*edit));
    QTest::mousePress(button(*edit, "fUpButton"), Qt::LeftButton);
    QVERIFY(repeatTimer(*edit)->isActive());

    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!repeatTimer(*edit)->isActive());
    QCOMPARE(edit->Text(), "5.1");
}

void SpinEditTest::autoSizeFitsWiderLimit()
{
    TPlusSpinEdit edit;
    edit.setMaxValue(1000.0);
    const QFontMetrics metrics(edit.font());
    const int digitHeight = metrics.height();
    int height = digitHeight + digitHeight / 3;
    if (height % 2 == 0)
        ++height;
    QCOMPARE(edit.height(), height);
    QCOMPARE(edit.width(), height + metrics.horizontalAdvance(QStringLiteral("1000.00")));

    edit.setMinValue(-100000.0); // now the minimum is the wider one
    QCOMPARE(edit.width(), height + metrics.horizontalAdvance(QStringLiteral("-100000.00")));
}

void SpinEditTest::autoSizeWithEqualLimitsKeepsWidth()
{
    TPlusSpinEdit edit;
    edit.resize(333, 40);
    QFont font = edit.font();
    font.setPixelSize(30);
    edit.setFont(font);
    QCOMPARE(edit.width(), 333);
    QVERIFY(edit.height() > 30);

    edit.setAutoSize(false);
    edit.setMaxValue(1000.0);
    QCOMPARE(edit.width(), 333);
}

QTEST_MAIN(SpinEditTest)
#include "tst_spinedit.moc"
