#pragma once

#include <QColor>
#include <QWidget>

namespace tovra {

// The grey of a spin edit's text and triangles while it is disabled.
inline QColor spinEditDisabledColor()
{
    return QColor(128, 128, 128);
}

// One of the two flat buttons of a TPlusSpinEdit: a filled triangle on white. Unlike a push
// button it reports the press and the release of the left button wherever the release happens,
// and tells whether the held button is still under the pointer, so that auto-repeat can pause
// while a press is dragged off the button and resume when it comes back.
class SpinButton : public QWidget
{
    Q_OBJECT
public:
    enum class Direction { Up, Down };

    SpinButton(Direction direction, QWidget *parent);

    Direction direction() const { return fDirection; }
    // The left button was pressed here, is still held, and the pointer is on the button.
    bool isDown() const { return fHeld && fUnderPointer; }

signals:
    void pressed();
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    const Direction fDirection;
    bool fHeld = false;
    bool fUnderPointer = false;
};

} // namespace tovra
