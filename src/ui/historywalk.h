#pragma once

class QComboBox;

namespace tovra {

// Up and Down walk the history of an editable drop-down as a shell does: the first Up recalls the
// newest entry, each further Up an older one (the oldest stays), Down a newer one, and Down past
// the newest gives back the text that was being typed when the walk began. The recalled entry is
// the drop-down's selected one. Up and Down with a modifier (Alt+Down opens the list) stay the
// drop-down's own.
void walkHistoryWithArrowKeys(QComboBox *field);

} // namespace tovra
