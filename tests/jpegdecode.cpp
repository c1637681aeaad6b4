#include "jpegdecode.h"

#include "jpegerrors.h"

#include <QFile>

#include <csetjmp>

namespace tovra::test {

namespace {

// Kept with the caller of decode(): after a longjmp the locals of the function that called
// setjmp may not be relied on.
struct Decompression
{
    JpegErrorManager errors;
    jpeg_decompress_struct info {};
};

// Between setjmp and a possible longjmp nothing with a destructor is alive here; the image
// belongs to the caller's result.
bool decode(const QByteArray &bytes, DecodedJpeg &result, Decompression &job)
{
    JpegErrorManager &errors = job.errors;
    jpeg_decompress_struct &info = job.info;
    info.err = errors.install();
    if (setjmp(errors.failed)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    result.progressive = info.progressive_mode != FALSE;
    result.components = info.num_components;
    if (info.quant_tbl_ptrs[0])
        result.firstLuminanceQuantizer = info.quant_tbl_ptrs[0]->quantval[0];
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    result.image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = result.image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

DecodedJpeg decodeJpeg(const QString &path)
{
    DecodedJpeg result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    Decompression job;
    result.ok = decode(bytes, result, job);
    if (!result.ok)
        result.error = QString::fromLocal8Bit(job.errors.message);
    return result;
}

} // namespace tovra::test
