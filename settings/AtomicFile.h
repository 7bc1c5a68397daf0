#pragma once
#include <QByteArray>
#include <QString>

// "Impossible d'écrire dans {file}", the failure of every file write.
QString WriteFailureMessage(const QString &file);

// Replaces the whole content of a file so that it is either the old file or
// the new one, never a mix: a temporary file beside it is written, flushed to
// disk and renamed over it, keeping the file's permissions. A file or directory
// without write permission bits fails, for root as well. A file that already
// holds exactly these bytes passes the same checks and is left in place:
// writers rewrite many keys unchanged, and each replacement costs a flush to
// disk. On failure the reason is logged, the temporary file removed and the
// file left untouched.
bool TryReplaceFile(const QString &path, const QByteArray &content);

// The same, raising Exception(WriteFailureMessage(path)) on failure.
void ReplaceFile(const QString &path, const QByteArray &content);
