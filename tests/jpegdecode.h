#pragma once

#include <QImage>
#include <QString>

namespace tovra::test {

// What libjpeg's own decoder reads from a JPEG file.
struct DecodedJpeg
{
    bool ok = false;
    QString error;
    bool progressive = false;
    int components = 0;
    int firstLuminanceQuantizer = 0; // the first value of table 0, set by the encoder's quality
    QImage image; // RGB888
};

DecodedJpeg decodeJpeg(const QString &path);

} // namespace tovra::test
