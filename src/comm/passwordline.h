#pragma once

#include <QString>

namespace tovra {

// `line` as the terminal view and the log show it: a password line ("PW secret", with any
// address, leading blanks or letter case, as the laser reads it) reads "PW ****", so the password
// is never shown or recorded; every other line, the query "PW?" included, is given unchanged.
QString withPasswordHidden(const QString &line);

} // namespace tovra
