#pragma once

// A test executable whose functions CTest runs as several entries, so that a parallel run spreads
// one long executable over the free slots. TOVRA_TEST_SHARD="k/n" runs the k-th of n shares of
// the test functions (every n-th function in declaration order, from the k-th): each function
// falls in exactly one share, whatever functions are added later. Without the variable, or when
// the command line names functions itself, the executable runs as QTEST_MAIN would run it.

#include <QTest>

namespace tovra::test {

int execShard(QObject *testObject, int argc, char *argv[]);

} // namespace tovra::test

// As QTEST_MAIN and QTEST_GUILESS_MAIN, with the shard's functions picked from the environment.
#define TOVRA_TEST_MAIN_WRAPPER(TestObject, ...)                                   \
    int main(int argc, char *argv[])                                                \
    {                                                                               \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();          \
        __VA_ARGS__                                                                 \
        TestObject tc;                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                  \
        return tovra::test::execShard(&tc, argc, argv);                             \
    }
#define TOVRA_TEST_MAIN(TestObject) TOVRA_TEST_MAIN_WRAPPER(TestObject, QTEST_MAIN_SETUP())
#define TOVRA_TEST_GUILESS_MAIN(TestObject) \
    TOVRA_TEST_MAIN_WRAPPER(TestObject, QTEST_QAPP_SETUP(QCoreApplication))
