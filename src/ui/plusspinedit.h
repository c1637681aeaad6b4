#pragma once

#include "spineditmodel.h"

#include <QWidget>

class QTimer;

namespace tovra {

class SpinButton;

enum class TBorderStyle { bsNone, bsSingle };

// The program's numeric control. It draws a fixed-point number right-aligned and highlights one
// digit, the focus digit. The up and down buttons and the Up and Down keys add or subtract the
// focus digit's place value (held, they repeat); Left and Right move the focus digit, a click
// picks it, a typed digit overwrites it; Ctrl+0 and a double-click zero every digit right of it.
//
// Every change of the stored value, by the operator or by code through setValue, setIntValue,
// setMinValue or setMaxValue, emits OnChange exactly once; writing an equal value emits nothing,
// and setValueSilently never emits. Handlers connect to OnChange and read Value(). Code that
// fills controls from the laser therefore keeps its handlers from queueing commands while it
// writes, and sets up a control's properties before connecting its handler.
//
// The font comes from the widget's font, the number colour from the palette's Text role and the
// background from its Base role; while disabled the number and triangles are grey and all input
// is ignored.
class TPlusSpinEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE setValue NOTIFY OnChange)
    Q_PROPERTY(double MinValue READ MinValue WRITE setMinValue)
    Q_PROPERTY(double MaxValue READ MaxValue WRITE setMaxValue)
    Q_PROPERTY(double Increment READ Increment WRITE setIncrement NOTIFY OnSetIncrement)
    Q_PROPERTY(int Decimals READ Decimals WRITE setDecimals)
    Q_PROPERTY(int LeadingDigits READ LeadingDigits WRITE setLeadingDigits)
    Q_PROPERTY(int Base READ Base WRITE setBase)
    Q_PROPERTY(QChar ThousandSeparator READ ThousandSeparator WRITE setThousandSeparator)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE setEditorEnabled)
    Q_PROPERTY(bool TrackSpin READ TrackSpin WRITE setTrackSpin)
    Q_PROPERTY(bool EnterRequired READ EnterRequired WRITE setEnterRequired)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(qint64 IntValue READ IntValue WRITE setIntValue NOTIFY OnChange)
    Q_PROPERTY(QString Text READ Text)

public:
    // Auto-repeat of a held button: the first repeat follows this long after the press...
    static constexpr int initialRepeatDelayMs = 500;
    // ...and the next ones this often.
    static constexpr int repeatIntervalMs = 150;

    explicit TPlusSpinEdit(QWidget *parent = nullptr);
    ~TPlusSpinEdit() override;

    double Value() const { return fModel.Value(); }
    // Clamps to the limits (unless they are equal) and emits OnChange if the value changed.
    // A value that is no number becomes MinValue.
    void setValue(double value) { fModel.setValue(value); }
    // Clamps and stores like setValue, but never emits OnChange.
    void setValueSilently(double value) { fModel.setValueSilently(value); }
    // Value rounded to the nearest integer, ties to even; writing it sets Value.
    qint64 IntValue() const { return fModel.IntValue(); }
    void setIntValue(qint64 value) { setValue(double(value)); }

    // With equal limits nothing is clamped. A changed limit writes the value back through
    // setValue, so one that now excludes the value clamps it and emits OnChange. Non-finite
    // limits are ignored.
    double MinValue() const { return fModel.MinValue(); }
    void setMinValue(double limit);
    double MaxValue() const { return fModel.MaxValue(); }
    void setMaxValue(double limit);

    // The step of the buttons and the Up and Down keys; setting it also moves the focus digit to
    // the largest place value not above it. Moving the focus digit later makes the step that
    // place's value, but never smaller than the increment set here.
    double Increment() const { return fModel.Increment(); }
    void setIncrement(double increment) { fModel.setIncrement(increment); }

    int Decimals() const { return fModel.Decimals(); }
    void setDecimals(int decimals); // 0..18
    // Kept for the users of the control; the text is never padded to it.
    int LeadingDigits() const { return fLeading; }
    void setLeadingDigits(int digits); // 0..18
    int Base() const { return fModel.Base(); }
    void setBase(int base); // 2..20
    // QChar() means no grouping; a character that could be read as part of a number is
    // replaced by a blank.
    QChar ThousandSeparator() const { return fModel.ThousandSeparator(); }
    void setThousandSeparator(QChar separator);

    // Typed digits are accepted.
    bool EditorEnabled() const { return fEditorEnabled; }
    void setEditorEnabled(bool enabled) { fEditorEnabled = enabled; }
    // On: every step of a held spin emits OnChange at once. Off: one OnChange when the spin ends.
    bool TrackSpin() const { return fModel.TrackSpin(); }
    void setTrackSpin(bool track) { fModel.setTrackSpin(track); }
    // Kept for the users of the control; no change is ever held back for Enter.
    bool EnterRequired() const { return fEnterReq; }
    void setEnterRequired(bool required) { fEnterReq = required; }
    // On: the control sizes itself from its font and limits.
    bool AutoSize() const { return fAutoSize; }
    void setAutoSize(bool autoSize);
    TBorderStyle BorderStyle() const { return fBorderStyle; }
    void setBorderStyle(TBorderStyle style);

    // The displayed text: grouped, placeholder digits left of the number as '_'.
    QString Text() const { return fModel.text(); }
    // The place of the focus digit: 0 units, 1 tens, -1 first decimal.
    int focusPlace() const { return fModel.focusPlace(); }
    // The pixel cell of the focus digit (empty when the focus place has no digit).
    QRect focusRect() const;

    // Zeroes every digit right of the focus digit.
    void RightZero() { fModel.RightZero(); }

    QSize sizeHint() const override;

signals:
    // The stored value changed.
    void OnChange();
    // The step or the focus place changed.
    void OnSetIncrement();
    // A typed digit made a text that is no number; the value is unchanged. The window shows
    // the message to the operator.
    void inputRejected(const QString &message);

protected:
    // Emits OnChange; the one place every report of a changed value passes.
    virtual void Change();

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct TextGeometry
    {
        int capXStart;
        int capXStop;
        int capYStart;
        QRect focusRect;
    };

    void measureDigits();
    int buttonWidth() const;
    int textWidth(const QString &text) const;
    TextGeometry textGeometry() const;
    void layoutButtons();
    QSize automaticSize() const;
    void applyAutoSize();
    bool handleNavigationKey(QKeyEvent *event);
    bool typeDigits(const QString &text);
    void selectClickedDigit(const QPoint &position);
    void startButtonSpin(SpinButton *button);
    void repeatStep();
    void finishButtonSpin();
    void endSpin();

    SpinEditModel fModel;
    int fLeading = 0;
    bool fEditorEnabled = true;
    bool fEnterReq = false;
    bool fAutoSize = true;
    TBorderStyle fBorderStyle = TBorderStyle::bsSingle;
    int fDigitWidth = 0;
    int fDigitHeight = 0;
    SpinButton *fUpButton;
    SpinButton *fDownButton;
    QTimer *fTimer;
    SpinButton *fRepeatingButton = nullptr;
};

} // namespace tovra
