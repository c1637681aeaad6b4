#include "tahomafont.h"

#include <QFile>
#include <QFontDatabase>

namespace tovra {

namespace {

const QString family = QStringLiteral("Tahoma");

void registerWineTahoma()
{
    if (QFontDatabase::hasFamily(family))
        return;
    for (const QString &file : {QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
                                QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf")}) {
        if (QFile::exists(file))
            QFontDatabase::addApplicationFont(file);
    }
}

} // namespace

QFont tahomaFont(int pixelSize)
{
    [[maybe_unused]] static const bool registered = [] {
        registerWineTahoma();
        return true;
    }();
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace tovra
