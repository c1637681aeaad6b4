#pragma once

#include <QLineEdit>

class QLabel;

namespace tovra {

// A one-line read-out with its caption on its left: a borderless, read-only edit in the window
// colour. The caption is a sibling label that follows the read-out: it moves, resizes and
// shows or hides with it, so code handles the read-out as one control. The caption fills the
// row from the parent's left edge and ends right-aligned just before the read-out, so captions
// of read-outs stacked at one x line up on their colons whatever their length.
class LabeledReadOut : public QLineEdit
{
    Q_OBJECT

public:
    LabeledReadOut(const QString &caption, QWidget *parent);

    QLabel *EditLabel() const { return label; }
    QString caption() const;
    void setCaption(const QString &caption);

    void setVisible(bool visible) override;

    static constexpr int spacing = 3;

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeLabel();

    QLabel *label;
};

} // namespace tovra
