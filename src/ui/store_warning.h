#pragma once

// What a settings dialog says when the settings store refuses its OK.

class QWidget;

namespace vireo {

// True when `stored`; otherwise tells the user that nothing could be stored (the dialog then stays
// open, so what was entered is not lost) and returns false.
bool StoredOrWarn(QWidget* parent, bool stored);

}  // namespace vireo
