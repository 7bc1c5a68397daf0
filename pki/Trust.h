#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The CA put where this computer's programs look for the authorities they trust: the
// user's NSS databases (Chrome, Chromium, Firefox), one NSS database, the system store or
// a Java keystore. Each store receives the certificate at the root of the CA's chain under
// TrustNickname, trusted for TLS servers; removal takes that nickname out only while it
// holds that very certificate.

// The CA whose certificate the clients of ca must trust.
QString TrustAnchorCa(const QString &ca);
// "Tarvik {anchor}", the name the certificate carries in every store.
QString TrustNickname(const QString &ca);

struct TTrustJob
{
    QString tool; // openssl, for the DER copy
    QString ca;
    bool remove = false;
};

struct TTrustOutcome
{
    QString store; // as the report names it
    QString where; // its folder or file, ~ standing for the home folder
    QString text;  // what was done
    bool failed = false;
};
QString OutcomeLine(const TTrustOutcome &outcome);

// The DER copy of the anchor's certificate beside it, made when missing or when it no
// longer matches (a certificate put back by hand). Empty on success; otherwise why not:
// Texts::NoCaCertificate of the anchor when it has no certificate yet, Texts::CaBusy.
QString EnsureCaCertDer(const QString &tool, const QString &ca);

// The tools on the search path; empty when missing.
QString CertutilPath();
QString KeytoolPath();

struct TNssStore
{
    QString store, dir;
    bool present = false; // holds a database
    bool create = false;  // made when absent
};
// The user's NSS databases under home: ~/.pki/nssdb (made when absent), each Firefox
// profile that a profiles.ini lists (classic, XDG, snap and flatpak folders) and Chromium's
// snap database; a browser never started appears without a database.
QList<TNssStore> UserNssStores(const QString &home);

QList<TTrustOutcome> TrustUserStores(const TTrustJob &job, const QString &certutil, const QString &home);
TTrustOutcome TrustNssDatabase(const TTrustJob &job, const QString &certutil, const TNssStore &store,
                               const QString &home = QString());

// The distribution's system store below root ("/" for the real one): the CA's file and the
// tool that rebuilds the store from it. No tool when none is known.
struct TSystemStore
{
    QString file, tool;
    QStringList args, removeArgs;
};
TSystemStore SystemStore(const QString &root, const QString &ca);
TTrustOutcome TrustSystemStore(const TTrustJob &job, const TSystemStore &store);

// keytool reads the password from the environment variable TARVIK_KEYSTORE_PASS of its own.
TTrustOutcome TrustJavaKeystore(const TTrustJob &job, const QString &keytool, const QString &keystore,
                                const QString &password);

// What to type for the system store: root's own program directory would be another one.
QString SudoTrustLine(const QString &progDir, const QString &ca, bool remove);
