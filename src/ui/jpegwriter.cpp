#include "jpegwriter.h"

#include "jpegerrors.h"
#include "replacefile.h"

#include <QImage>

#include <csetjmp>
#include <cstdlib>

#include <jerror.h>

namespace tovra {

namespace {

// Collects the encoded bytes in a buffer that grows as needed. It lives with the caller of the
// encoder, so the buffer is released on the error path too. The library's own jpeg_mem_dest is
// not used for that reason: after it has grown its buffer, an error (longjmp) leaves the caller's
// pointer on the freed first buffer and the grown one unreachable.
struct MemoryDestination
{
    jpeg_destination_mgr manager; // first, so the library's pointer leads back here
    unsigned char *data = nullptr;
    size_t capacity = 0;
    size_t size = 0;

    ~MemoryDestination() { std::free(data); }

    static MemoryDestination &of(j_compress_ptr info) { return *reinterpret_cast<MemoryDestination *>(info->dest); }

    // Makes room up to newCapacity and hands the library the part past `used`.
    static void grow(j_compress_ptr info, size_t used, size_t newCapacity)
    {
        MemoryDestination &destination = of(info);
        auto *larger = static_cast<unsigned char *>(std::realloc(destination.data, newCapacity));
        if (!larger)
            ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
        destination.data = larger;
        destination.capacity = newCapacity;
        destination.manager.next_output_byte = larger + used;
        destination.manager.free_in_buffer = newCapacity - used;
    }

    static void start(j_compress_ptr info) { grow(info, 0, 64 * 1024); }

    // Called when the library has filled the whole buffer.
    static boolean full(j_compress_ptr info)
    {
        const size_t used = of(info).capacity;
        grow(info, used, used * 2);
        return TRUE;
    }

    static void finish(j_compress_ptr info)
    {
        MemoryDestination &destination = of(info);
        destination.size = destination.capacity - destination.manager.free_in_buffer;
    }

    void attach(j_compress_ptr info)
    {
        manager.init_destination = start;
        manager.empty_output_buffer = full;
        manager.term_destination = finish;
        info->dest = &manager;
    }
};

// Everything one encoding works on. It lives with the caller of compress(): after a longjmp the
// locals of the function that called setjmp may not be relied on.
struct Compression
{
    JpegErrorManager errors;
    MemoryDestination output;
    jpeg_compress_struct info {}; // zeroed, so destroying it after a failed create is safe
};

// Runs between setjmp and a possible longjmp, so it creates nothing with a destructor. rgb holds
// three bytes a pixel.
bool compress(const QImage &rgb, int quality, Compression &job)
{
    jpeg_compress_struct &info = job.info;
    info.err = job.errors.install();
    if (setjmp(job.errors.failed)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    job.output.attach(&info);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg only reads the rows it is given.
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

QByteArray encodeJpeg(const QImage &image, int quality, QString *error)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    Compression job;
    if (!compress(rgb, quality, job)) {
        if (error)
            *error = QString::fromLocal8Bit(job.errors.message);
        return QByteArray();
    }
    return QByteArray(reinterpret_cast<const char *>(job.output.data), qsizetype(job.output.size));
}

bool writeJpeg(const QImage &image, const QString &path, int quality, QString *error)
{
    QString reason;
    const QByteArray jpeg = encodeJpeg(image, quality, &reason);
    if (jpeg.isEmpty()) {
        if (error)
            *error = QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason);
        return false;
    }
    return replaceFile(path, jpeg, error);
}

} // namespace tovra
