#include "testshard.h"

#include <QByteArrayList>
#include <QMetaMethod>

#include <vector>

namespace tovra::test {

namespace {

// Qt Test's own names: run around the test functions, never as one of them.
bool isTestFunction(const QMetaMethod &method)
{
    static const QByteArrayList fixtures{"initTestCase", "initTestCase_data", "cleanupTestCase", "init", "cleanup"};
    const QByteArray name = method.name();
    return method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Private
           && method.parameterCount() == 0 && !name.endsWith("_data") && !fixtures.contains(name);
}

// "k/n" with 1 <= k <= n; false for anything else.
bool readShard(const QByteArray &text, int &index, int &count)
{
    const QByteArrayList parts = text.split('/');
    bool indexRead = false;
    bool countRead = false;
    if (parts.size() == 2) {
        index = parts[0].toInt(&indexRead);
        count = parts[1].toInt(&countRead);
    }
    return indexRead && countRead && count >= 1 && index >= 1 && index <= count;
}

// Whether the command line names test functions (an argument that is no option and no option's
// value); then those run, as the person who named them asked.
bool namesFunctions(int argc, char *argv[])
{
    static const QByteArrayList takeValue{"-o", "-maxwarnings", "-eventdelay", "-keydelay", "-mousedelay", "-platform", "-callgrind", "-perfcounter", "-minimumvalue",
                                          "-minimumtotal", "-iterations", "-median", "-eventcounter"};
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (takeValue.contains(argument))
            ++i;
        else if (!argument.startsWith('-'))
            return true;
    }
    return false;
}

} // namespace

int execShard(QObject *testObject, int argc, char *argv[])
{
    const QByteArray shard = qgetenv("TOVRA_TEST_SHARD");
    if (shard.isEmpty() || namesFunctions(argc, argv))
        return QTest::qExec(testObject, argc, argv);
    int index = 0;
    int count = 0;
    if (!readShard(shard, index, count)) {
        qWarning("TOVRA_TEST_SHARD: \"%s\" is not k/n", shard.constData());
        return 1;
    }

    QByteArrayList chosen;
    const QMetaObject *meta = testObject->metaObject();
    int position = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (isTestFunction(method) && position++ % count == index - 1)
            chosen << method.name();
    }
    if (chosen.isEmpty())
        return 0; // more shares than functions: this one has nothing to run

    std::vector<char *> arguments(argv, argv + argc);
    for (QByteArray &name : chosen)
        arguments.push_back(name.data());
    return QTest::qExec(testObject, static_cast<int>(arguments.size()), arguments.data());
}

} // namespace tovra::test
