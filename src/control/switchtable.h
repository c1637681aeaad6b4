#pragma once

#include <QList>
#include <QString>

namespace tovra {

// Every switch and environment variable the program heeds, in one table: `--help`, the manual
// page tovra(1) and the README's tables are all made from it (a test compares the two files with
// what is made here), so none of them can leave one out or tell it differently.
struct SwitchEntry
{
    enum class Kind { StartSwitch, Information, Environment };
    Kind kind;
    QString name; // "log", "--help", "TOVRA_SHARE_PATH"
    QString effect; // plain text, one sentence or two
};

const QList<SwitchEntry> &switchTable();

// The help text of `--help`.
QString switchHelpText();
// The OPTIONS and ENVIRONMENT sections of tovra(1), roff source.
QString switchManualSections();
// The README's two tables, Markdown.
QString switchReadmeTables();

} // namespace tovra
