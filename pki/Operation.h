#pragma once
#include "pki/CaFiles.h"
#include "pki/KeyType.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

// One user action on a CA as a plan the window runs: what it prepares on disk, what it
// asks, the command lines, and how its outcome is judged and worded.

enum class TOperationKind { CreateCa, ServerCertificate, UserCertificate, Revocation, CrlPublication };

// What the user typed for the action.
struct TOperationInput
{
    TOperationKind kind = TOperationKind::CreateCa;
    QString tool, ca, passphrase;
    QString days;     // CA creation and certificates
    QString name;     // host (server) or user name
    QString suffix;   // "." + ca for a server
    QString password; // PKCS#12 export password
    QString serial;   // revocation
    TSubject subject; // the Configuration page's CA fields
    bool compatiblePkcs12 = true;
    TKeyType keyType = TKeyType::Rsa2048; // the CA's, for every key made
};

struct TOperationPlan
{
    QString ca;
    QStringList directories;          // made first; an existing one is fine
    std::function<void()> writeFiles; // the configuration files the commands read
    QStringList earlierResults;       // any of them existing asks the question first
    QString question;
    QStringList commands; // "exit" last
    QString result;       // the file the run must write
    QString doneMessage;
    QString failure; // names the operation in the error box
};

// The refusal of an action that lacks a required field; empty when all are there.
QString MissingFieldRefusal(const TOperationInput &in);
// The refusal of a name that breaks its rule (CA, host, user, serial); empty when all pass.
QString InvalidNameRefusal(const TOperationInput &in);
// The refusal of a run bound to fail (bad tool, missing CA certificate, bad days, empty
// subject); empty when the run may go. Reads the CA's files, writes nothing.
QString RefusalBeforeRun(const TOperationInput &in);

// Questions before issuing a certificate that some clients will refuse or stop trusting
// early; each answered "OK" lets the issue go on. caNotAfter is the CA certificate's end
// (invalid when unknown), now the current time.
QStringList WarningsBeforeIssue(const TOperationInput &in, const QDateTime &caNotAfter, const QDateTime &now);

TOperationPlan PlanOperation(const TOperationInput &in);

// What a file was before a run, to tell whether the run wrote it.
struct TFileStamp
{
    bool exists = false;
    qint64 inode = 0, size = 0, mtimeNs = 0;
    bool operator==(const TFileStamp &) const = default;
};
TFileStamp StampOf(const QString &path);

// Empty when the run succeeded and wrote the plan's result; otherwise the error box's
// text, quoting the tool's last error line among the pane's lines.
QString JudgeRun(const TOperationPlan &plan, const TFileStamp &before, quint32 exitCode, const QStringList &paneLines);
