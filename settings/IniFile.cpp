#include "settings/IniFile.h"

#include "settings/AtomicFile.h"

#include <QFile>
#include <QList>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcIni, "tarvik.ini")

// The file is handled as bytes, line by line, so that every line the store does
// not change goes back to disk exactly as it was read, line end included.
struct TLine
{
    enum class TKind { Other, Header, Key };

    QByteArray raw;
    TKind kind = TKind::Other;
    QByteArray name;
    QByteArray value;
};

struct TSpan
{
    qsizetype header = -1; // index of the section's header line, -1 when absent
    qsizetype end = -1;    // index of the next header, or the line count
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArray TrimBlanks(const QByteArray &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Only A-Z and a-z fold into each other; other bytes must match exactly.
bool SameName(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// A line break inside a value would split the line and slip a key of its own
// into the file (OpenSSL reads these files too), so it becomes a blank.
QByteArray OneLine(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('\r', ' ').replace('\n', ' ');
    return bytes;
}

QByteArray NameBytes(const QString &name)
{
    return TrimBlanks(name.toUtf8());
}

// Whether a name written into a header or a key line is read back as that same
// name by Classify below: a line break would split the line, a ']' ends a
// header early, and a key line whose name holds '=' or starts with '[', ';' or
// '#' reads as a shorter key, a header or a comment.
bool ReadsBack(const QString &name, bool key)
{
    if (name.contains(u'\r') || name.contains(u'\n'))
        return false;
    const QByteArray bytes = NameBytes(name);
    if (!key)
        return !bytes.contains(']');
    return !bytes.contains('=') && !bytes.startsWith('[') && !bytes.startsWith(';') && !bytes.startsWith('#');
}

void Classify(TLine &line)
{
    QByteArray text = line.raw;
    if (text.endsWith('\n'))
        text.chop(1);
    if (text.endsWith('\r'))
        text.chop(1);
    const QByteArray trimmed = TrimBlanks(text);
    if (trimmed.isEmpty() || trimmed[0] == ';' || trimmed[0] == '#')
        return;
    if (trimmed[0] == '[') {
        const qsizetype close = trimmed.indexOf(']');
        if (close > 0) {
            line.kind = TLine::TKind::Header;
            line.name = TrimBlanks(trimmed.mid(1, close - 1));
            return;
        }
    }
    const qsizetype eq = text.indexOf('=');
    if (eq >= 0) {
        line.kind = TLine::TKind::Key;
        line.name = TrimBlanks(text.left(eq));
        line.value = TrimBlanks(text.mid(eq + 1));
    }
}

// CR LF, LF and a lone CR (old editors) each end a line.
QList<TLine> ParseLines(const QByteArray &data)
{
    QList<TLine> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype end = pos;
        while (end < data.size() && data[end] != '\n' && data[end] != '\r')
            ++end;
        if (end < data.size())
            end += data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n' ? 2 : 1;
        TLine line;
        line.raw = data.mid(pos, end - pos);
        Classify(line);
        lines.append(line);
        pos = end;
    }
    return lines;
}

QByteArray JoinLines(const QList<TLine> &lines)
{
    QByteArray data;
    for (const TLine &line : lines)
        data += line.raw;
    return data;
}

TLine MakeLine(const QByteArray &raw)
{
    TLine line;
    line.raw = raw;
    Classify(line);
    return line;
}

// A line that gets a successor must end with a line break of its own.
void Terminate(TLine &line)
{
    if (!line.raw.endsWith('\n') && !line.raw.endsWith('\r'))
        line.raw += "\r\n";
}

TSpan FindSection(const QList<TLine> &lines, const QByteArray &name)
{
    TSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != TLine::TKind::Header)
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (SameName(lines[i].name, name))
            span.header = i;
    }
    if (span.header >= 0)
        span.end = lines.size();
    return span;
}

qsizetype FindKey(const QList<TLine> &lines, const TSpan &span, const QByteArray &key)
{
    for (qsizetype i = span.header + 1; i < span.end; ++i)
        if (lines[i].kind == TLine::TKind::Key && SameName(lines[i].name, key))
            return i;
    return -1;
}

enum class TLoad { Missing, Loaded, Failed };

TLoad LoadFile(const QString &fileName, QByteArray &data)
{
    QFile file(fileName);
    if (!file.exists())
        return TLoad::Missing;
    if (file.open(QIODevice::ReadOnly)) {
        data = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return TLoad::Loaded;
    }
    // Reads go on with an empty file; writes refuse to replace what they could not read.
    qCWarning(lcIni) << "could not read" << fileName << file.errorString();
    return TLoad::Failed;
}

QList<TLine> ReadLines(const QString &fileName)
{
    QByteArray data;
    LoadFile(fileName, data);
    return ParseLines(data);
}

} // namespace

TIniFile::TIniFile(QString fileName) : fileName_(std::move(fileName)) {}

const QString &TIniFile::FileName() const
{
    return fileName_;
}

QString TIniFile::ReadValue(const QString &section, const QString &key, const QString &def) const
{
    const QList<TLine> lines = ReadLines(fileName_);
    const TSpan span = FindSection(lines, NameBytes(section));
    if (span.header < 0)
        return def;
    const qsizetype at = FindKey(lines, span, NameBytes(key));
    if (at < 0)
        return def;
    QString value = QString::fromUtf8(lines[at].value);
    if (value.size() > kMaxValueLength) {
        value.truncate(kMaxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

void TIniFile::WriteValue(const QString &section, const QString &key, const QString &value)
{
    const QString failure = WriteFailureMessage(fileName_);
    if (!ReadsBack(section, false) || !ReadsBack(key, true)) {
        qCWarning(lcIni) << "refused to write a name that would not read back:" << section << key << "in" << fileName_;
        throw EIniFileException(failure);
    }
    QByteArray data;
    if (LoadFile(fileName_, data) == TLoad::Failed)
        throw EIniFileException(failure);
    QList<TLine> lines = ParseLines(data);

    const QByteArray sectionName = NameBytes(section);
    const QByteArray keyName = NameBytes(key);
    const TLine keyLine = MakeLine(keyName + '=' + OneLine(value) + "\r\n");

    const TSpan span = FindSection(lines, sectionName);
    if (span.header < 0) {
        if (!lines.isEmpty()) {
            Terminate(lines.last());
            if (!TrimBlanks(lines.last().raw).isEmpty())
                lines.append(MakeLine("\r\n"));
        }
        lines.append(MakeLine('[' + sectionName + "]\r\n"));
        lines.append(keyLine);
    } else if (const qsizetype at = FindKey(lines, span, keyName); at >= 0) {
        lines[at] = keyLine;
    } else {
        qsizetype after = span.header;
        for (qsizetype i = span.header + 1; i < span.end; ++i)
            if (lines[i].kind == TLine::TKind::Key)
                after = i;
        Terminate(lines[after]);
        lines.insert(after + 1, keyLine);
    }

    if (!TryReplaceFile(fileName_, JoinLines(lines)))
        throw EIniFileException(failure);
}

void TIniFile::ListKeys(const QString &section, QStringList &list) const
{
    list.clear();
    const QList<TLine> lines = ReadLines(fileName_);
    const TSpan span = FindSection(lines, NameBytes(section));
    if (span.header < 0)
        return;
    // Each name is counted with the separator that follows it; the name that
    // crosses the limit keeps the part that still fits.
    qsizetype used = 0;
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        if (lines[i].kind != TLine::TKind::Key)
            continue;
        QString name = QString::fromUtf8(lines[i].name);
        const qsizetype room = kMaxKeyListLength - used - 1;
        if (name.size() > room) {
            name.truncate(qMax<qsizetype>(room, 0));
            if (!name.isEmpty() && name.back().isHighSurrogate())
                name.chop(1);
            if (!name.isEmpty())
                list.append(name);
            return;
        }
        list.append(name);
        used += name.size() + 1;
    }
}

void TIniFile::RemoveKey(const QString &section, const QString &key)
{
    QByteArray data;
    if (LoadFile(fileName_, data) != TLoad::Loaded)
        return;
    QList<TLine> lines = ParseLines(data);
    const TSpan span = FindSection(lines, NameBytes(section));
    if (span.header < 0)
        return;
    const qsizetype at = FindKey(lines, span, NameBytes(key));
    if (at < 0)
        return;
    lines.removeAt(at);
    // Never reported: the failure is logged by the replacement.
    TryReplaceFile(fileName_, JoinLines(lines));
}

void TIniFile::RemoveSection(const QString &section)
{
    const QString failure = WriteFailureMessage(fileName_);
    QByteArray data;
    const TLoad load = LoadFile(fileName_, data);
    if (load == TLoad::Missing)
        return;
    if (load == TLoad::Failed)
        throw EIniFileException(failure);
    QList<TLine> lines = ParseLines(data);
    const TSpan span = FindSection(lines, NameBytes(section));
    if (span.header < 0)
        return;
    lines.remove(span.header, span.end - span.header);
    if (!TryReplaceFile(fileName_, JoinLines(lines)))
        throw EIniFileException(failure);
}

void WriteValueOrRemove(TIniFile &ini, const QString &section, const QString &key, const QString &value)
{
    if (value.isEmpty())
        ini.RemoveKey(section, key);
    else
        ini.WriteValue(section, key, value);
}
