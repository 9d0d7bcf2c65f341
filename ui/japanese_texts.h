#pragma once

// The programs speak Japanese whatever the system's language: Qt's own dialogs and buttons
// (the font dialog, "OK" and "Cancel") follow, and the Windows fonts that the settings name
// are drawn with a Japanese font of this system where they are missing.

class QApplication;

namespace vesk {

// Once, before the first window.
void UseJapaneseTexts(QApplication& application);

}  // namespace vesk
