#include "plusspinedit.h"
#include "spinbutton.h"

#include <QImage>
#include <QTest>

#include <functional>

using tovra::SpinButton;
using tovra::TPlusSpinEdit;

namespace {

const QColor black(0, 0, 0);
const QColor white(255, 255, 255);
const QColor blue(0, 0, 255);

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 60;
}

int countPixels(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &test)
{
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

// One row of pixels under a cell, as wide as the cell.
QRect rowBelow(const QRect &cell, int offset)
{
    return QRect(cell.left(), cell.bottom() + 1 + offset, cell.width(), 1);
}

} // namespace

// Renders the control into images and checks what the operator sees: the highlighted focus
// digit with its caret, the line that marks it without focus, the triangles, and grey when
// disabled.
class SpinEditLookTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void focusedShowsBlueCellWithWhiteDigitAndCaret();
    void spinHidesCaret();
    void unfocusedMarksFocusDigitWithOneLine();
    void buttonsShowBlackTrianglesOnWhite();
    void disabledIsGreyThroughout();

private:
    QImage render() const { return edit->grab().toImage(); }
    QRect numberArea() const { return QRect(0, 0, button("fUpButton")->x(), edit->height()); }
    SpinButton *button(const char *name) const
    {
        return edit->findChild<SpinButton *>(QLatin1String(name));
    }

    std::unique_ptr<TPlusSpinEdit> edit;
};

void SpinEditLookTest::init()
{
    edit = std::make_unique<TPlusSpinEdit>();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(15);
    edit->setFont(font);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, black);
    palette.setColor(QPalette::Base, white);
    edit->setPalette(palette);
    edit->setAutoSize(false);
    edit->setBorderStyle(tovra::TBorderStyle::bsNone);
    edit->setDecimals(2);
    edit->setIncrement(0.01);
    edit->setMaxValue(150.0);
    edit->setValue(88.88);
    edit->resize(140, 26);
    edit->show();
    edit->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(edit.get()));
}

void SpinEditLookTest::cleanup()
{
    edit.reset();
}

void SpinEditLookTest::focusedShowsBlueCellWithWhiteDigitAndCaret()
{
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    const QImage image = render();
    const QRect cell = edit->focusRect();
    QVERIFY(!cell.isEmpty());

    const int cellArea = cell.width() * cell.height();
    const int bluePixels = countPixels(image, cell, [](QRgb p) { return QColor(p) == blue; });
    QVERIFY2(bluePixels > cellArea / 2, qPrintable(QString::number(bluePixels)));
    QVERIFY(countPixels(image, cell, [](QRgb p) { return QColor(p) == white; }) > 0);
    QCOMPARE(countPixels(image, rowBelow(cell, 0), isDark), cell.width());
    QCOMPARE(countPixels(image, rowBelow(cell, 1), isDark), cell.width());
    // Only the focus cell is blue; the other digits are dark on white.
    QCOMPARE(countPixels(image, numberArea(), [](QRgb p) { return QColor(p) == blue; }), bluePixels);
    QVERIFY(countPixels(image, QRect(0, 0, cell.left(), edit->height()), isDark) > 0);
}

void SpinEditLookTest::spinHidesCaret()
{
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QTest::mousePress(button("fUpButton"), Qt::LeftButton);
    const QImage spinning = render();
    QTest::mouseRelease(button("fUpButton"), Qt::LeftButton);
    const QImage released = render();

    const QRect cell = edit->focusRect();
    QCOMPARE(countPixels(spinning, rowBelow(cell, 0), isDark), 0);
    QCOMPARE(countPixels(released, rowBelow(cell, 0), isDark), cell.width());
}

void SpinEditLookTest::unfocusedMarksFocusDigitWithOneLine()
{
    edit->clearFocus();
    const QImage image = render();
    const QRect cell = edit->focusRect();

    QCOMPARE(countPixels(image, numberArea(), [](QRgb p) { return QColor(p) == blue; }), 0);
    QCOMPARE(countPixels(image, rowBelow(cell, 0), isDark), cell.width());
    QCOMPARE(countPixels(image, rowBelow(cell, 1), isDark), 0);
}

void SpinEditLookTest::buttonsShowBlackTrianglesOnWhite()
{
    const QImage image = render();
    for (const char *name : {"fUpButton", "fDownButton"}) {
        const QRect area = button(name)->geometry();
        QVERIFY2(countPixels(image, area, [](QRgb p) { return QColor(p) == black; }) > 4, name);
        QCOMPARE(QColor(image.pixel(area.topLeft())), white);
        QCOMPARE(QColor(image.pixel(area.bottomRight())), white);
    }
    // The up triangle points up: its widest row lies below its narrowest.
    const QRect up = button("fUpButton")->geometry();
    int widestRow = -1;
    int widest = 0;
    int firstRow = -1;
    for (int y = up.top(); y <= up.bottom(); ++y) {
        const int width = countPixels(image, QRect(up.left(), y, up.width(), 1), isDark);
        if (width > 0 && firstRow < 0)
            firstRow = y;
        if (width > widest) {
            widest = width;
            widestRow = y;
        }
    }
    QVERIFY(widestRow > firstRow);
}

void SpinEditLookTest::disabledIsGreyThroughout()
{
    edit->setEnabled(false);
    const QImage image = render();
    const QColor grey = tovra::spinEditDisabledColor();
    auto isGrey = [&grey](QRgb p) { return QColor(p) == grey; };

    QCOMPARE(countPixels(image, image.rect(), isDark), 0);
    QCOMPARE(QColor(image.pixel(0, 0)), white); // the background stays
    QCOMPARE(countPixels(image, image.rect(), [](QRgb p) { return QColor(p) == blue; }), 0);
    QVERIFY(countPixels(image, numberArea(), isGrey) > 0);
    for (const char *name : {"fUpButton", "fDownButton"})
        QVERIFY2(countPixels(image, button(name)->geometry(), isGrey) > 4, name);
}

QTEST_MAIN(SpinEditLookTest)
#include "tst_spineditlook.moc"
