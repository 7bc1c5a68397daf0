#pragma once
#include "pki/CaFiles.h"
#include "pki/KeyType.h"
#include "pki/Operation.h"

#include <QString>

// Taking over a CA made elsewhere: an easy-rsa 3 PKI folder, or a CA key and certificate.
// The source is only ever read; the new CA folder is built beside the others and takes its
// name only once complete, then registered in tarvik.ini.

enum class TImportSource { EasyRsa, KeyAndCertificate };

struct TImportInput
{
    TImportSource source = TImportSource::EasyRsa;
    QString tool;
    QString progDir; // ends with '/'
    QString ca;      // the new CA's name
    QString pkiDir;  // easy-rsa's "pki" folder
    QString key, cert;
    QString passphrase; // the key's, or the one to encrypt an unencrypted key with
};

// The CA key file the import reads: the pair's key, or easy-rsa's private/ca.key.
QString ImportedKeyPath(const TImportInput &in);
// Whether that key is stored encrypted (then the pass phrase must open it; otherwise it
// becomes the key's new one). False when the file cannot be read.
bool ImportedKeyEncrypted(const TImportInput &in);

struct TImportOutcome
{
    QString refusal; // a check failed: nothing was written
    QString failure; // a write failed: nothing was kept
    QString doneMessage;
};

// Checks everything first (name, files, pass phrase, key against certificate, CA
// certificate in force), then writes the CA folder and its settings.
TImportOutcome ImportCa(const TImportInput &in);

// The CRL publication that makes an imported CA usable at once.
TOperationInput CrlAfterImport(const TImportInput &in);

// What a CA certificate found on disk says of the CA: the type of key it makes from now
// on and its subject (fields it lacks left empty). Not readable when the tool could not
// read it, or its key is of no type Tarvik makes.
struct TCaCertificateFacts
{
    bool readable = false;
    TKeyType keyType = TKeyType::Rsa2048;
    TSubject subject;
};
TCaCertificateFacts ReadCaCertificateFacts(const QString &tool, const QString &certFile);
