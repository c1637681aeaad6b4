#include "plusspinedit.h"

#include "spinbutton.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace tovra {

namespace {

constexpr int caretHeight = 2;
constexpr int maxLeadingDigits = 18;
const QColor focusCellColour(0, 0, 255);

int stepDirection(const SpinButton *button)
{
    return button->direction() == SpinButton::Direction::Up ? 1 : -1;
}

} // namespace

TPlusSpinEdit::TPlusSpinEdit(QWidget *parent)
    : QWidget(parent)
    , fUpButton(new SpinButton(SpinButton::Direction::Up, this))
    , fDownButton(new SpinButton(SpinButton::Direction::Down, this))
    , fTimer(new QTimer(this))
{
    fUpButton->setObjectName(QStringLiteral("fUpButton"));
    fDownButton->setObjectName(QStringLiteral("fDownButton"));
    fTimer->setObjectName(QStringLiteral("fTimer"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContentsMargins(1, 1, 1, 1);

    connect(&fModel, &SpinEditModel::valueChanged, this, &TPlusSpinEdit::Change);
    connect(&fModel, &SpinEditModel::incrementChanged, this, &TPlusSpinEdit::OnSetIncrement);
    connect(&fModel, &SpinEditModel::displayChanged, this, qOverload<>(&QWidget::update));
    connect(&fModel, &SpinEditModel::inputRejected, this, &TPlusSpinEdit::inputRejected);
    for (SpinButton *button : {fUpButton, fDownButton}) {
        connect(button, &SpinButton::pressed, this, [this, button] { startButtonSpin(button); });
        connect(button, &SpinButton::released, this, &TPlusSpinEdit::finishButtonSpin);
    }
    connect(fTimer, &QTimer::timeout, this, &TPlusSpinEdit::repeatStep);

    measureDigits();
    resize(sizeHint());
    layoutButtons();
}

TPlusSpinEdit::~TPlusSpinEdit() = default;

void TPlusSpinEdit::setMinValue(double limit)
{
    fModel.setMinValue(limit);
    applyAutoSize();
}

void TPlusSpinEdit::setMaxValue(double limit)
{
    fModel.setMaxValue(limit);
    applyAutoSize();
}

void TPlusSpinEdit::setDecimals(int decimals)
{
    fModel.setDecimals(decimals);
    applyAutoSize();
}

void TPlusSpinEdit::setLeadingDigits(int digits)
{
    fLeading = std::clamp(digits, 0, maxLeadingDigits);
}

void TPlusSpinEdit::setBase(int base)
{
    fModel.setBase(base);
    applyAutoSize();
}

void TPlusSpinEdit::setThousandSeparator(QChar separator)
{
    fModel.setThousandSeparator(separator);
    applyAutoSize();
}

void TPlusSpinEdit::setAutoSize(bool autoSize)
{
    fAutoSize = autoSize;
    applyAutoSize();
}

void TPlusSpinEdit::setBorderStyle(TBorderStyle style)
{
    if (style == fBorderStyle)
        return;
    fBorderStyle = style;
    const int margin = style == TBorderStyle::bsSingle ? 1 : 0;
    setContentsMargins(margin, margin, margin, margin);
    layoutButtons();
    update();
}

QRect TPlusSpinEdit::focusRect() const
{
    return textGeometry().focusRect;
}

QSize TPlusSpinEdit::sizeHint() const
{
    const QSize size = automaticSize();
    if (MinValue() != MaxValue())
        return size;
    return QSize(8 * QFontInfo(font()).pixelSize(), size.height());
}

void TPlusSpinEdit::Change()
{
    emit OnChange();
}

void TPlusSpinEdit::measureDigits()
{
    const QFontMetrics metrics(font());
    fDigitWidth = metrics.horizontalAdvance(u'0');
    fDigitHeight = metrics.height();
}

int TPlusSpinEdit::buttonWidth() const
{
    return std::max(fDigitWidth + fDigitWidth / 2 + 8, 10);
}

int TPlusSpinEdit::textWidth(const QString &text) const
{
    return fontMetrics().horizontalAdvance(text);
}

TPlusSpinEdit::TextGeometry TPlusSpinEdit::textGeometry() const
{
    const QRect client = contentsRect();
    const QString drawn = fModel.drawnText();
    TextGeometry geometry;
    // Half a digit of space keeps the right-aligned number off the buttons.
    geometry.capXStop = client.right() + 1 - buttonWidth() - fDigitWidth / 2;
    geometry.capXStart = geometry.capXStop - textWidth(drawn);
    geometry.capYStart = client.top() + (client.height() - fDigitHeight) / 2;
    const int index = fModel.focusIndex();
    if (index >= 0) {
        const int left = textWidth(drawn.left(index));
        const int right = textWidth(drawn.left(index + 1));
        geometry.focusRect = QRect(geometry.capXStart + left, geometry.capYStart, right - left,
                                   fDigitHeight);
    }
    return geometry;
}

void TPlusSpinEdit::layoutButtons()
{
    const QRect client = contentsRect();
    const int width = buttonWidth();
    const int left = client.right() + 1 - width;
    const int upHeight = client.height() / 2;
    fUpButton->setGeometry(left, client.top(), width, upHeight);
    fDownButton->setGeometry(left, client.top() + upHeight, width, client.height() - upHeight);
}

QSize TPlusSpinEdit::automaticSize() const
{
    int height = fDigitHeight + fDigitHeight / 3;
    if (height % 2 == 0)
        ++height;
    if (MinValue() == MaxValue())
        return QSize(width(), height);
    const bool maxIsWider = SpinEditModel::limitPlace(MaxValue(), Base())
        > SpinEditModel::limitPlace(MinValue(), Base());
    const QString widest = fModel.limitText(maxIsWider ? MaxValue() : MinValue());
    return QSize(height + textWidth(widest), height);
}

void TPlusSpinEdit::applyAutoSize()
{
    if (fAutoSize)
        resize(automaticSize());
}

void TPlusSpinEdit::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (fBorderStyle == TBorderStyle::bsSingle) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QRect numberArea = contentsRect().adjusted(0, 0, -buttonWidth(), 0);
    // The background keeps its colour when disabled; only the number and triangles turn grey.
    painter.fillRect(numberArea, palette().color(QPalette::Normal, QPalette::Base));
    painter.setClipRect(numberArea);

    const TextGeometry geometry = textGeometry();
    const QString drawn = fModel.drawnText();
    const QColor textColour = isEnabled() ? palette().color(QPalette::Text)
                                          : spinEditDisabledColor();
    const int baseline = geometry.capYStart + fontMetrics().ascent();
    painter.setPen(textColour);
    painter.drawText(QPoint(geometry.capXStart, baseline), drawn);

    const QRect cell = geometry.focusRect;
    if (cell.isEmpty())
        return;
    const int below = cell.bottom() + 1;
    if (hasFocus()) {
        painter.fillRect(cell, focusCellColour);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(cell.left(), baseline), drawn.mid(fModel.focusIndex(), 1));
        if (!fModel.isSpinning())
            painter.fillRect(QRect(cell.left(), below, cell.width(), caretHeight), textColour);
    } else {
        painter.fillRect(QRect(cell.left(), below, cell.width(), 1), textColour);
    }
}

void TPlusSpinEdit::resizeEvent(QResizeEvent *event)
{
    layoutButtons();
    QWidget::resizeEvent(event);
}

void TPlusSpinEdit::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
        measureDigits();
        layoutButtons();
        applyAutoSize();
        update();
        break;
    case QEvent::EnabledChange:
        // A disabled widget sees no release, so a spin under way ends here.
        if (!isEnabled())
            finishButtonSpin();
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TPlusSpinEdit::keyPressEvent(QKeyEvent *event)
{
    if (handleNavigationKey(event))
        return;
    const Qt::KeyboardModifiers commandModifiers = Qt::ControlModifier | Qt::AltModifier
        | Qt::MetaModifier;
    if (fEditorEnabled && !(event->modifiers() & commandModifiers) && typeDigits(event->text()))
        return;
    QWidget::keyPressEvent(event);
}

bool TPlusSpinEdit::handleNavigationKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!fModel.isSpinning()) {
            fModel.beginSpin();
            update();
        }
        fModel.stepBy(event->key() == Qt::Key_Up ? 1 : -1);
        return true;
    case Qt::Key_Left: {
        // The focus stops at the left edge of the control rather than leave the visible part.
        const QRect cell = focusRect();
        if (cell.isEmpty() || cell.left() > fDigitWidth - 2)
            fModel.moveFocusTo(fModel.focusPlace() + 1);
        return true;
    }
    case Qt::Key_Right:
        if (fModel.focusPlace() > -Decimals())
            fModel.moveFocusTo(fModel.focusPlace() - 1);
        return true;
    case Qt::Key_0:
        if (!(event->modifiers() & Qt::ControlModifier))
            return false;
        RightZero();
        return true;
    default:
        return false;
    }
}

bool TPlusSpinEdit::typeDigits(const QString &text)
{
    bool accepted = false;
    for (QChar c : text)
        accepted = fModel.enterDigit(c) || accepted;
    return accepted;
}

void TPlusSpinEdit::keyReleaseEvent(QKeyEvent *event)
{
    // A held key repeats as press and release pairs; only the real release ends the spin.
    if (!event->isAutoRepeat() && fModel.isSpinning())
        endSpin();
    QWidget::keyReleaseEvent(event);
}

void TPlusSpinEdit::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    selectClickedDigit(event->position().toPoint());
}

void TPlusSpinEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    selectClickedDigit(event->position().toPoint());
    RightZero();
}

void TPlusSpinEdit::selectClickedDigit(const QPoint &position)
{
    const int place = fModel.placeAt(position.x() - textGeometry().capXStart,
                                     [this](const QString &text) { return textWidth(text); });
    fModel.moveFocusTo(place);
    if (hasFocus())
        update();
    else
        setFocus(Qt::MouseFocusReason);
}

void TPlusSpinEdit::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TPlusSpinEdit::focusOutEvent(QFocusEvent *event)
{
    // Losing the focus (a modal box, another window) can swallow the release of a held key or
    // button; the spin must not outlive it.
    finishButtonSpin();
    update();
    QWidget::focusOutEvent(event);
}

void TPlusSpinEdit::startButtonSpin(SpinButton *button)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    fModel.beginSpin();
    update();
    fRepeatingButton = button;
    fModel.stepBy(stepDirection(button));
    fTimer->start(initialRepeatDelayMs);
}

void TPlusSpinEdit::repeatStep()
{
    fTimer->setInterval(repeatIntervalMs);
    if (fRepeatingButton && fRepeatingButton->isDown())
        fModel.stepBy(stepDirection(fRepeatingButton));
}

void TPlusSpinEdit::finishButtonSpin()
{
    fTimer->stop();
    fRepeatingButton = nullptr;
    if (fModel.isSpinning())
        endSpin();
}

void TPlusSpinEdit::endSpin()
{
    fModel.endSpin();
    update();
}

} // namespace tovra
