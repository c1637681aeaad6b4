// The reply to "ID" as the program reads it (bytes taken as Latin-1, as from the port): any bytes
// parse without harm, and a short reply clears the identity as promised.

#include "identity.h"
#include "laserstate.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    tovra::LaserState state;
    state.modelName = QStringLiteral("Tovra");
    state.serialNumber = 7;
    tovra::parseIdentityReply(reply, state);
    tovra::isAcceptedModelName(state.modelName);
    if (reply.size() <= 10 && (!state.modelName.isEmpty() || state.serialNumber != 0))
        std::abort();
    const int families = int(state.isStandardModel) + int(state.isMicroModel) + int(state.isMiniModel);
    if (families > 1)
        std::abort();
    return 0;
}
