#pragma once

// Where the build put the programs a test starts, and where the checkout is. CTest hands them to
// the test in its environment (tests/CMakeLists.txt) rather than the compiler in a definition, so
// that a test's object is the same in every checkout and one compiler cache serves them all.

#include <QString>
#include <QtGlobal>

namespace tovra::test {

// The path in the environment variable `name`. A test started outside CTest without it stops
// at once, naming the variable, instead of failing later at a program that does not start.
inline QString builtFile(const char *name)
{
    const QString path = qEnvironmentVariable(name);
    if (path.isEmpty())
        qFatal("%s is not set: run the test through ctest, or set it as tests/CMakeLists.txt does", name);
    return path;
}

inline QString programFile() { return builtFile("TOVRA_TEST_PROGRAM"); }
inline QString clientFile() { return builtFile("TOVRA_TEST_CLIENT"); }
inline QString sourceFolder() { return builtFile("TOVRA_TEST_SOURCES"); }

} // namespace tovra::test
