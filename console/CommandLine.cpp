#include "console/CommandLine.h"

QStringList SplitCommandLine(const QString &commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false; // a quoted empty string is still a word
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine.at(i);
        if (c == QLatin1Char('\'')) {
            inWord = true;
            for (++i; i < n && commandLine.at(i) != QLatin1Char('\''); ++i)
                word += commandLine.at(i);
        } else if (c == QLatin1Char('"')) {
            inWord = true;
            for (++i; i < n && commandLine.at(i) != QLatin1Char('"'); ++i) {
                QChar d = commandLine.at(i);
                if (d == QLatin1Char('\\') && i + 1 < n
                    && QStringLiteral("$`\"\\\n").contains(commandLine.at(i + 1)))
                    d = commandLine.at(++i);
                word += d;
            }
        } else if (c == QLatin1Char('\\') && i + 1 < n) {
            inWord = true;
            word += commandLine.at(++i);
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}
