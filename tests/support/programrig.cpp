#include "programrig.h"

#include "serialdevice.h"
#include "versioninfo.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace tovra::test {

ProgramRig::ProgramRig()
    : previousDir(QDir::currentPath())
{
    QDir::setCurrent(workDir.path());
}

ProgramRig::~ProgramRig()
{
    mainForm.reset();
    laserProgram.reset();
    QDir::setCurrent(previousDir);
}

TMainForm &ProgramRig::start(const QStringList &arguments)
{
    // The number format the program's entry sets.
    QLocale::setDefault(QLocale::c());
    laserProgram = std::make_unique<LaserProgram>(
        LaserProgram::Environment{state, desktop, prompts, StartSwitches::fromArguments(arguments), keys,
                                  serialDevice ? std::move(serialDevice) : createSerialDevice(), stopSignalled,
                                  timings, TrpVersionInfo().FileVersion(), history});
    mainForm = std::make_unique<TMainForm>(*laserProgram);
    mainForm->FormCreate();
    return *mainForm;
}

QStringList ProgramRig::fileLines(const QString &fileName) const
{
    QFile file(workDir.filePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

} // namespace tovra::test
