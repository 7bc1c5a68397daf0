#pragma once
#include "pki/Operation.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdio>

// What every command shares: output, refusals, secrets, questions and running a plan.

// Exit statuses, as monitoring checks read them.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;  // the tool failed, or the CA is busy
constexpr int kExitRefused = 2; // arguments, checks, unanswered questions, unknown CA

void Print(FILE *stream, const QString &text); // UTF-8, flushed
void Complain(const QString &message);         // "tarvik : message" on standard error
int Refuse(const QString &message);            // Complain, then kExitRefused

// The command's own arguments, after its name.
QStringList CommandArguments(const QCommandLineParser &p);
// A path given on the command line, as the caller meant it: relative to the directory the
// command was started from, not to the program directory it works in.
QString CallerPath(const QString &path);
void RememberCallerDir();

// Options more than one command takes.
QCommandLineOption YesOption();
QCommandLineOption DaysOption(const QString &defaultDays = QString());
QCommandLineOption PassphraseFileOption();
QCommandLineOption JsonOption();
QList<QCommandLineOption> ExportOptions(); // the password file and the PKCS#12 format
QList<QCommandLineOption> Options(const QList<QList<QCommandLineOption>> &groups);

// A secret is never an argument: it comes from the environment variable, else from the
// file named by the option (its first line; a plain file of the user's alone), else from
// the terminal without echo, asked twice when it is being chosen.
struct TSecretSource
{
    QString envVar;
    QString fileOption;
    QString prompt;
    bool confirm = false;
};
bool ReadSecret(const QCommandLineParser &p, const TSecretSource &source, QString *secret, QString *error);
TSecretSource CaPassphraseSource(const QString &ca, bool confirm = false);

// A question the window asks: answered o/N on a terminal; with no terminal it is refused
// (its text on standard error) unless --yes was given. True to go on.
bool Confirmed(const QCommandLineParser &p, const QString &question);

// The tool named in tarvik.ini, as the window uses it.
QString ConfiguredToolPath();
QString SettingsPathHere(); // tarvik.ini of the program directory
QStringList RegisteredCas();
// Empty when the CA is registered and has its folder; otherwise why not.
QString CaRefusal(const QString &ca);
// What the window's pages would hold for the CA: its subject, key type, CRL address and
// the PKCS#12 format saved for every export.
TOperationInput CaInput(TOperationKind kind, const QString &ca);

struct TRunOptions
{
    // A renewal is asked for by name: the replacement question is its own command.
    bool replaceWithoutAsking = false;
};
// The whole operation as the window runs it: checks, the CA lock, questions, files, the
// console run printed line by line, judged and committed. Answers the exit status.
int RunOperation(const TOperationInput &in, const QCommandLineParser &p, const TRunOptions &options = {});
