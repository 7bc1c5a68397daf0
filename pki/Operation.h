#pragma once
#include "pki/CaFiles.h"
#include "pki/KeyType.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// One user action on a CA as a plan the window runs: what it prepares on disk, what it
// asks, the command lines, and how its outcome is judged and worded.

enum class TOperationKind {
    CreateCa,
    ServerCertificate,
    UserCertificate,
    Revocation,
    CrlPublication,
    // A request made elsewhere, whose key stays where it was made.
    SignServerRequest,
    SignUserRequest,
};

// What the user typed for the action.
struct TOperationInput
{
    TOperationKind kind = TOperationKind::CreateCa;
    QString tool, ca, passphrase;
    QString days;     // CA creation and certificates
    QString name;     // host (server) or user name
    QString altNames; // a server's further names as typed
    QString email;    // a user's own address; empty for the CA's
    QString crlUrl;   // the CA's CRL address; empty for none
    QString suffix;   // "." + ca for a server
    QString password; // PKCS#12 export password
    QString serial;   // revocation
    TSubject subject; // the Configuration page's CA fields
    bool compatiblePkcs12 = true;
    TKeyType keyType = TKeyType::Rsa2048; // the CA's, for every key made
    // A request to sign, as checked by InspectRequest: name is its common name, email
    // the address it asks for (a user's), or empty for the CA's.
    QByteArray request;          // PEM
    QStringList requestAltNames; // server: subjectAltName entries
    bool requestKeyRsa = true;   // the request's key, which the certificate's key usage follows
    // CA creation: the CA that signs the new CA (empty for a self-signed one), its pass
    // phrase and CRL address, and whether the new CA's certificate keeps every name below
    // it within the CA's domain.
    QString issuer, issuerPassphrase, issuerCrlUrl;
    bool nameConstraint = false;
};

struct TOperationPlan
{
    QString ca;
    QStringList directories;          // made first; an existing one is fine
    std::function<void()> writeFiles; // the configuration files the commands read
    QStringList earlierResults;       // any of them existing asks the question first
    QString question;
    QStringList commands; // "exit" last
    // The secrets as "NAME=value", for the interpreter's environment: never in a command.
    QStringList environment;
    // What the commands write under a temporary name beside its final one, and which
    // final files are kept once as {file}.prev before they are replaced. Nothing takes
    // its final name before the whole run has succeeded.
    QList<std::pair<QString, QString>> commits; // pending -> final
    QStringList keptAsPrevious;
    // Files of an earlier issue for the same name that the new results make wrong (an
    // export of the old certificate beside a new one), removed once they are in place.
    QStringList superseded;
    QString result;       // the file the run must write (a pending name)
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
// The refusal of a CA's subject and lifetime before its key is made; empty when they pass.
QString CaSettingsRefusal(const TSubject &subject, const QString &days, const QDateTime &now);

// Questions before issuing a certificate that some clients will refuse or stop trusting
// early; each answered "OK" lets the issue go on. caNotAfter is the CA certificate's end
// (invalid when unknown), now the current time.
QStringList WarningsBeforeIssue(const TOperationInput &in, const QDateTime &caNotAfter, const QDateTime &now);

// The CAs a run works on, each to be locked (TCaLock) before the checks: the CA, and the
// issuer of a CA it creates.
QStringList CasToLock(const TOperationInput &in);

// The question before removing a CA from the list, naming it, and the CAs it signed that
// are still in force: without it in the list, they could no longer be revoked.
QString RemoveCaQuestion(const QString &ca);

TOperationPlan PlanOperation(const TOperationInput &in);

struct TRequestInspection;
// Takes a checked request into the input of a signing kind (its common name, names and
// address) and answers the question « Signer cette demande ? » that shows them.
QString TakeInspectedRequest(TOperationInput &in, const TRequestInspection &request);

// What a file was before a run, to tell whether the run wrote it.
struct TFileStamp
{
    bool exists = false;
    qint64 inode = 0, size = 0, mtimeNs = 0;
    bool operator==(const TFileStamp &) const = default;
};
TFileStamp StampOf(const QString &path);

// Empty when the run succeeded and wrote the plan's result; otherwise the error box's
// text, quoting the last line the tool printed after the echo of the command that ran
// last (never an echoed command, never an earlier command's output), or the exit status
// when it printed nothing. lines are the run's output lines as delivered.
QString JudgeRun(const TOperationPlan &plan, const TFileStamp &before, quint32 exitCode, const QStringList &lines);

// Removes what the plan writes under temporary names: left by an earlier run that was
// stopped or failed, or by this one when it did not succeed.
void DiscardPending(const TOperationPlan &plan);
// Gives the results of a run that succeeded their final names, keeping the files they
// replace as the plan says. Empty on success; otherwise the error box's text.
QString CommitResults(const TOperationPlan &plan);
// Finishes a commit of the CA's folder that a crash interrupted, to be called with the CA
// locked before anything else reads or writes it. Empty when there was none; otherwise
// what was done (or why it could not be), for the user.
QString FinishInterruptedCommits(const QString &ca);
// The same for each CA that no one works on now, each locked meanwhile; what to tell.
QStringList FinishInterruptedCommitsOf(const QStringList &cas);
