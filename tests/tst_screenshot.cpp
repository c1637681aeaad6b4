#include "jpegdecode.h"
#include "screenshot.h"
#include "scripteddesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <memory>

using namespace tovra;
using tovra::test::decodeJpeg;
using tovra::test::DecodedJpeg;

namespace {

// A top-level window filled with one colour, placed at a given screen position.
std::unique_ptr<QWidget> colouredWindow(const QColor &colour, const QRect &geometry)
{
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("Capture"));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, colour);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setGeometry(geometry);
    return window;
}

bool near(QRgb actual, const QColor &expected, int tolerance = 24)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance
        && std::abs(qGreen(actual) - expected.green()) <= tolerance
        && std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

// A point of the frame picture, given in screen coordinates.
QRgb screenPixel(const QImage &picture, const QWidget &window, QPoint onScreen)
{
    return picture.pixel(onScreen - window.frameGeometry().topLeft());
}

} // namespace

// Captures of what a real X server shows, read back with libjpeg's decoder.
class ScreenShotTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pictureIsBaselineRgbAsLargeAsTheFrame();
    void windowLyingOverTheWindowsContentsIsNotInThePicture();
    void partBeyondTheScreenIsBlack();
    void secondCaptureReplacesTheFirst();
    void screenShotGoesToTovraScreenShotInTheCurrentFolder();
    void screenShotThatCannotBeWrittenIsReportedWithItsReason();
    void unwritablePathReportsErrorAndWritesNothing();

private:
    void showAndWaitForColour(QWidget &window, const QColor &colour);
    bool saveScreenShotInFolder(test::ScriptedDesktop &desktop);
    QString pathOf(const QString &name) const { return folder->filePath(name); }

    std::unique_ptr<QWidget> window;
    std::unique_ptr<QTemporaryDir> folder;
};

void ScreenShotTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("Reading the screen needs a real X server");
}

void ScreenShotTest::init()
{
    folder = std::make_unique<QTemporaryDir>();
    window = colouredWindow(Qt::red, QRect(100, 120, 320, 200));
    showAndWaitForColour(*window, Qt::red);
}

void ScreenShotTest::cleanup()
{
    window.reset();
    folder.reset();
}

// The window system paints after the window is shown; wait until the screen shows it.
void ScreenShotTest::showAndWaitForColour(QWidget &shown, const QColor &colour)
{
    shown.show();
    shown.raise();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    const QPoint centre = shown.geometry().center();
    QTRY_VERIFY(near(screenPixel(grabWindowFrame(&shown), shown, centre), colour));
}

void ScreenShotTest::pictureIsBaselineRgbAsLargeAsTheFrame()
{
    const QString path = pathOf(QStringLiteral("shot.jpg"));
    QString error;
    QVERIFY2(captureWindowToJpeg(window.get(), path, &error), qPrintable(error));

    const DecodedJpeg decoded = decodeJpeg(path);
    QVERIFY2(decoded.ok, qPrintable(decoded.error));
    QVERIFY(!decoded.progressive);
    QCOMPARE(decoded.components, 3);
    QCOMPARE(decoded.image.size(), window->frameGeometry().size());
    QVERIFY(near(screenPixel(decoded.image, *window, window->geometry().center()), Qt::red));
}

// The picture is the window as it paints itself: a menu closing or a window over it stays out.
void ScreenShotTest::windowLyingOverTheWindowsContentsIsNotInThePicture()
{
    const QRect rightHalf(260, 100, 300, 240);
    const auto cover = colouredWindow(Qt::blue, rightHalf);
    cover->show();
    cover->raise();
    QVERIFY(QTest::qWaitForWindowExposed(cover.get()));
    const QPoint covered(330, 220);
    const QPoint uncovered(150, 220);
    QTRY_VERIFY(near(screenPixel(grabWindowFrame(window.get()), *window, covered), Qt::blue));

    const QString path = pathOf(QStringLiteral("covered.jpg"));
    QVERIFY(captureWindowToJpeg(window.get(), path));

    const QImage picture = decodeJpeg(path).image;
    QVERIFY(near(screenPixel(picture, *window, covered), Qt::red));
    QVERIFY(near(screenPixel(picture, *window, uncovered), Qt::red));
}

void ScreenShotTest::partBeyondTheScreenIsBlack()
{
    window->move(-150, 300);
    QTRY_COMPARE(window->frameGeometry().left(), -150);
    QTRY_VERIFY(near(screenPixel(grabWindowFrame(window.get()), *window, QPoint(20, 400)), Qt::red));

    const QString path = pathOf(QStringLiteral("offscreen.jpg"));
    QVERIFY(captureWindowToJpeg(window.get(), path));

    const QImage picture = decodeJpeg(path).image;
    QCOMPARE(picture.size(), window->frameGeometry().size());
    QVERIFY(near(screenPixel(picture, *window, QPoint(-100, 400)), Qt::black));
    QVERIFY(near(screenPixel(picture, *window, QPoint(100, 400)), Qt::red));
}

void ScreenShotTest::secondCaptureReplacesTheFirst()
{
    const QString path = pathOf(QStringLiteral("twice.jpg"));
    QVERIFY(captureWindowToJpeg(window.get(), path));

    window = colouredWindow(Qt::green, QRect(200, 200, 180, 260));
    showAndWaitForColour(*window, Qt::green);
    QVERIFY(captureWindowToJpeg(window.get(), path));

    const DecodedJpeg decoded = decodeJpeg(path);
    QCOMPARE(decoded.image.size(), window->frameGeometry().size());
    QVERIFY(near(screenPixel(decoded.image, *window, window->geometry().center()), Qt::green));
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("twice.jpg")});
}

// Runs the Tools menu's capture with the test folder as the current folder.
bool ScreenShotTest::saveScreenShotInFolder(test::ScriptedDesktop &desktop)
{
    const QString previous = QDir::currentPath();
    if (!QDir::setCurrent(folder->path()))
        return false;
    const QString written = saveScreenShot(window.get(), desktop);
    QDir::setCurrent(previous);
    return written == QDir(folder->path()).absoluteFilePath(ScreenShotFileName);
}

void ScreenShotTest::screenShotGoesToTovraScreenShotInTheCurrentFolder()
{
    test::ScriptedDesktop desktop;
    QVERIFY(saveScreenShotInFolder(desktop));

    QVERIFY(desktop.shown.isEmpty());
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList{QStringLiteral("Tovra_ScreenShot.jpg")});
    const DecodedJpeg decoded = decodeJpeg(folder->filePath(QStringLiteral("Tovra_ScreenShot.jpg")));
    QCOMPARE(decoded.image.size(), window->frameGeometry().size());
}

// A folder of that name stands in for a file that cannot be replaced.
void ScreenShotTest::screenShotThatCannotBeWrittenIsReportedWithItsReason()
{
    QVERIFY(QDir(folder->path()).mkdir(QStringLiteral("Tovra_ScreenShot.jpg")));
    test::ScriptedDesktop desktop;

    QVERIFY(!saveScreenShotInFolder(desktop));

    const QStringList messages = desktop.textsOf(QStringLiteral("message"));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Cannot create file \"Tovra_ScreenShot.jpg\".")),
             qPrintable(messages.first()));
    QVERIFY(QFileInfo(folder->filePath(QStringLiteral("Tovra_ScreenShot.jpg"))).isDir());
}

void ScreenShotTest::unwritablePathReportsErrorAndWritesNothing()
{
    const QString path = pathOf(QStringLiteral("missing/shot.jpg"));
    QString error;
    QVERIFY(!captureWindowToJpeg(window.get(), path, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(QDir(folder->path()).isEmpty());
}

QTEST_MAIN(ScreenShotTest)
#include "tst_screenshot.moc"
