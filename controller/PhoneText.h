#pragma once

#include <QString>

// Text a phone chose, made fit to show on one line of the window: without control characters
// and without format characters (bidirectional overrides, zero-width marks), which could turn
// how the rest of the line reads, with its spaces simplified and cut to `most` characters.
namespace PhoneText {

inline QString oneLine(const QString& text, qsizetype most)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Format)
            continue;
        kept += category == QChar::Other_Control ? QLatin1Char(' ') : c;
    }
    return kept.simplified().left(most);
}

} // namespace PhoneText
