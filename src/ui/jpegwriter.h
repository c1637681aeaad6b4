#pragma once

#include <QByteArray>
#include <QString>

class QImage;

namespace tovra {

// Encodes image with libjpeg as a baseline (not progressive) colour JPEG: three RGB components,
// the library's default tables at the given quality (1 to 100). An alpha channel is dropped.
// On failure, such as an empty image, returns an empty array and sets error, if given, to the
// library's message.
QByteArray encodeJpeg(const QImage &image, int quality, QString *error = nullptr);

// Encodes image as above and writes it to path, replacing an existing file once the whole
// picture is written; a failure leaves no file behind. On failure error, if given, names the
// file and the reason.
bool writeJpeg(const QImage &image, const QString &path, int quality = 90, QString *error = nullptr);

} // namespace tovra
