#include "historytypes.h"

namespace tovra {

namespace {

struct KindKey
{
    EventKind kind;
    const char *key;
};

constexpr KindKey Keys[] = {
    {EventKind::LinkLost, "link_lost"}, {EventKind::LinkFound, "link_found"},
    {EventKind::Enable, "enable"},      {EventKind::Fire, "fire"},
    {EventKind::Stop, "stop"},          {EventKind::SettingsLoaded, "settings_loaded"},
    {EventKind::SetterSent, "setter"},  {EventKind::Fault, "fault"},
};

} // namespace

QString eventKey(EventKind kind)
{
    for (const KindKey &k : Keys) {
        if (k.kind == kind)
            return QString::fromLatin1(k.key);
    }
    return QString();
}

std::optional<EventKind> eventKindFromKey(const QString &key)
{
    for (const KindKey &k : Keys) {
        if (key == QLatin1String(k.key))
            return k.kind;
    }
    return std::nullopt;
}

} // namespace tovra
