#include "console/ShowText.h"

QString ShownText(const QString &text)
{
    if (text.size() <= kMaxShownChars)
        return text;
    return text.left(kMaxShownChars) + QChar(0x2026);
}

void PutText(TStrings &lines, const QString &text, TOutputType type, bool replaceLast)
{
    lines.BeginUpdate();
    try {
        if (lines.Count() == 0) {
            if (type == otEntireLine)
                lines.Add(text);
            else
                lines.SetText(text);
        } else if (replaceLast) {
            lines.ReplaceLast(text);
        } else {
            lines.Add(text);
        }
    } catch (...) {
        lines.EndUpdate();
        throw;
    }
    lines.EndUpdate();
}
