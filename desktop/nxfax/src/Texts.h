// The program's own texts, in English or, in a Japanese session, in Japanese. The panels and
// their windows take theirs from the plug-ins' string tables; Qt's stock dialogs from Qt's.
#pragma once

#include <QString>

namespace nxfax {

// The text for the user's language; `english` itself when there is no translation.
QString Text(const char* english);
// True when the user's first language is Japanese.
bool JapaneseSession();

}  // namespace nxfax
