#pragma once

#include <utility>

namespace tovra {

// Sets a re-entrancy flag (commands inhibited, a busy poll or task) for one scope and gives it
// back the value it had before, so that nested scopes and early returns cannot leave it wrong.
class ScopedFlag
{
public:
    explicit ScopedFlag(bool &target, bool value = true)
        : flag(target)
        , previous(std::exchange(target, value))
    {
    }
    ~ScopedFlag() { flag = previous; }
    ScopedFlag(const ScopedFlag &) = delete;
    ScopedFlag &operator=(const ScopedFlag &) = delete;

private:
    bool &flag;
    const bool previous;
};

} // namespace tovra
