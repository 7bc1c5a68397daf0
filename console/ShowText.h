#pragma once
#include "console/ConsoleTypes.h"
#include "console/Strings.h"

// How one delivered text goes into the output list.

// The most characters of one line that the list shows; a longer line is shown cut there and
// followed by "…", so a line that never ends costs the pane as little as a short one.
inline constexpr qsizetype kMaxShownChars = 64 * 1024;

// The text as the list shows it.
QString ShownText(const QString &text);

// Puts the text into the list inside one update bracket: as its first line (a beginning
// becomes its whole text), in place of its last line when replaceLast is set, or as a new
// last line. The bracket is closed also when the change fails.
void PutText(TStrings &lines, const QString &text, TOutputType type, bool replaceLast);
