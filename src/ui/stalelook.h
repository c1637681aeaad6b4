#pragma once

class QWidget;

namespace tovra {

// Shows that a reading's value is the last one read, not a live one: its text greys (whatever
// look its group gives it otherwise), and the live look comes back unchanged. A status lamp has
// its own stale look (StatusIndicator::setStale).
void setStaleLook(QWidget *reading, bool stale);
bool hasStaleLook(const QWidget *reading);

} // namespace tovra
