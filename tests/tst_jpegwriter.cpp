#include "jpegdecode.h"
#include "jpegwriter.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

using tovra::writeJpeg;
using tovra::test::decodeJpeg;
using tovra::test::DecodedJpeg;

namespace {

QImage gradient(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    }
    return image.convertToFormat(format);
}

QImage filled(QSize size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// JPEG is lossy: colours come back close, not equal.
bool near(QRgb actual, QRgb expected, int tolerance = 12)
{
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance
        && std::abs(qGreen(actual) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

} // namespace

// The JPEG encoder on its own, checked with libjpeg's decoder.
class JpegWriterTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { folder = std::make_unique<QTemporaryDir>(); }
    void cleanup() { folder.reset(); }
    void pictureIsBaselineRgbOfTheImageSize_data();
    void pictureIsBaselineRgbOfTheImageSize();
    void qualitySetsTheQuantizationTables_data();
    void qualitySetsTheQuantizationTables();
    void secondWriteReplacesTheFirst();
    void emptyImageFailsWithMessageAndWritesNothing();
    void unwritablePathFailsWithMessageAndLeavesNothingBehind_data();
    void unwritablePathFailsWithMessageAndLeavesNothingBehind();

private:
    QString pathOf(const QString &name) const { return folder->filePath(name); }

    std::unique_ptr<QTemporaryDir> folder;
};

void JpegWriterTest::pictureIsBaselineRgbOfTheImageSize_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("RGB32") << QImage::Format_RGB32;
    QTest::newRow("ARGB32 with alpha") << QImage::Format_ARGB32;
    QTest::newRow("RGB888") << QImage::Format_RGB888;
    QTest::newRow("grey scale") << QImage::Format_Grayscale8;
}

void JpegWriterTest::pictureIsBaselineRgbOfTheImageSize()
{
    QFETCH(QImage::Format, format);
    const QImage original = gradient(97, 61, format);
    const QString path = pathOf(QStringLiteral("gradient.jpg"));
    QString error;

    QVERIFY2(writeJpeg(original, path, 90, &error), qPrintable(error));

    const DecodedJpeg decoded = decodeJpeg(path);
    QVERIFY2(decoded.ok, qPrintable(decoded.error));
    QVERIFY(!decoded.progressive);
    QCOMPARE(decoded.components, 3);
    QCOMPARE(decoded.image.size(), original.size());
    for (const QPoint spot : {QPoint(10, 10), QPoint(48, 30), QPoint(90, 55)})
        QVERIFY(near(decoded.image.pixel(spot), original.pixel(spot)));
}

void JpegWriterTest::qualitySetsTheQuantizationTables_data()
{
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("firstLuminanceQuantizer");
    // The library's luminance table starts at 16 and is scaled by the quality.
    QTest::newRow("90") << 90 << 3;
    QTest::newRow("50") << 50 << 16;
    QTest::newRow("100") << 100 << 1;
}

void JpegWriterTest::qualitySetsTheQuantizationTables()
{
    QFETCH(int, quality);
    const QString path = pathOf(QStringLiteral("quality.jpg"));
    QVERIFY(writeJpeg(gradient(16, 16, QImage::Format_RGB32), path, quality));
    QTEST(decodeJpeg(path).firstLuminanceQuantizer, "firstLuminanceQuantizer");
}

void JpegWriterTest::secondWriteReplacesTheFirst()
{
    const QString path = pathOf(QStringLiteral("twice.jpg"));
    QVERIFY(writeJpeg(filled(QSize(40, 30), Qt::red), path));
    QVERIFY(writeJpeg(filled(QSize(20, 50), Qt::blue), path));

    const DecodedJpeg decoded = decodeJpeg(path);
    QCOMPARE(decoded.image.size(), QSize(20, 50));
    QVERIFY(near(decoded.image.pixel(10, 25), qRgb(0, 0, 255)));
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("twice.jpg")});
}

void JpegWriterTest::emptyImageFailsWithMessageAndWritesNothing()
{
    const QString path = pathOf(QStringLiteral("empty.jpg"));
    QString error;
    QVERIFY(!writeJpeg(QImage(), path, 90, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

void JpegWriterTest::unwritablePathFailsWithMessageAndLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "missing/picture.jpg";
    QTest::newRow("name of a folder") << "taken";
}

void JpegWriterTest::unwritablePathFailsWithMessageAndLeavesNothingBehind()
{
    QFETCH(QString, name);
    QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("taken")));
    const QString path = pathOf(name);
    QString error;

    QVERIFY(!writeJpeg(gradient(8, 8, QImage::Format_RGB32), path, 90, &error));

    QVERIFY2(error.contains(path), qPrintable(error));
    QCOMPARE(QDir(folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("taken")});
    QVERIFY(QDir(pathOf(QStringLiteral("taken"))).isEmpty());
}

QTEST_GUILESS_MAIN(JpegWriterTest)
#include "tst_jpegwriter.moc"
