#include "pki/CaFiles.h"
#include "pki/Operation.h"
#include "pki_support.h"
#include "settings/IniFile.h"
#include "settings_full_disk.h"

#include <functional>
#include <sys/stat.h>

namespace {

const QByteArray kTemplate = "[ req ]\r\n"
                             "default_bits = 2048\r\n"
                             "default_keyfile = ca.key\r\n"
                             "distinguished_name = req_distinguished_name\r\n"
                             "prompt = no\r\n"
                             "x509_extensions = v3_ca\r\n"
                             "req_extensions = v3_req\r\n"
                             "utf8 = yes\r\n"
                             "string_mask = utf8only\r\n"
                             "[ req_distinguished_name ]\r\n"
                             "C = FR\r\n"
                             "ST = France\r\n"
                             "L = Paris\r\n"
                             "O = plimo\r\n"
                             "OU = plimo si\r\n"
                             "CN = plimo ca\r\n"
                             "emailAddress = ca@example.org\r\n"
                             "[ v3_ca ]\r\n"
                             "basicConstraints = critical,CA:true\r\n"
                             "subjectKeyIdentifier = hash\r\n"
                             "keyUsage = critical,keyCertSign,cRLSign\r\n"
                             "[ v3_req ]\r\n"
                             "nsCertType = objsign,email,server\r\n";

const TSubject kSubject{"DE", "Bayern", "München", "Acme", "IT", "pki@acme.example"};

QByteArray SigningFile(const QByteArray &days, const QByteArray &altName, const QByteArray &usage)
{
    return "[ca]\r\ndefault_ca=default_CA\r\n\r\n"
           "[default_CA]\r\ndir=Alpha\r\ncerts=Alpha\r\nnew_certs_dir=Alpha/newcerts\r\n"
           "database=Alpha/index.txt\r\nserial=Alpha/serial.txt\r\nRANDFILE=seed.rnd\r\n"
           "certificate=Alpha/private/ca.crt\r\nprivate_key=Alpha/private/ca.key\r\n"
           + days
           + "default_crl_days=30\r\ndefault_md=sha256\r\npreserve=yes\r\nx509_extensions=user_cert\r\n"
             "policy=policy_anything\r\nunique_subject=no\r\ncrlnumber=Alpha/crlnumber\r\ncrl_extensions=crl_ext\r\n\r\n"
             "[policy_anything]\r\ncommonName=supplied\r\nemailAddress=supplied\r\n\r\n"
             "[user_cert]\r\nsubjectAltName="
           + altName + "\r\nbasicConstraints=critical,CA:false\r\nauthorityKeyIdentifier=keyid:always\r\n"
           + "extendedKeyUsage=" + usage + "\r\nkeyUsage=critical,digitalSignature,keyEncipherment\r\n"
           + "subjectKeyIdentifier=hash\r\n\r\n[crl_ext]\r\nauthorityKeyIdentifier=keyid:always\r\n";
}

TEST_F(PkiTest, SkeletonHoldsAFreshDatabase)
{
    const mode_t umask = ::umask(0); // the folders' modes must not depend on it
    CreateCaSkeleton(progDir_, "Alpha");
    ::umask(umask);
    for (const char *sub : {"", "certs", "crl", "newcerts", "private"}) {
        EXPECT_TRUE(QFileInfo(progDir_ + "Alpha/" + sub).isDir()) << sub;
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(progDir_ + "Alpha/" + sub).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << sub;
    }
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/serial.txt"), QByteArray("01\r\n"));
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/index.txt"), QByteArray(""));
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/crlnumber"), QByteArray("01\r\n"));
}

TEST_F(PkiTest, SkeletonAgainResetsTheDatabaseOnly)
{
    CreateCaSkeleton(progDir_, "Alpha");
    WriteBytes(progDir_ + "Alpha/serial.txt", "0A\n");
    WriteBytes(progDir_ + "Alpha/index.txt", "V\t...\n");
    WriteBytes(progDir_ + "Alpha/private/ca.key", "key");
    WriteBytes(progDir_ + "Alpha/crlnumber", "0B\n"); // a CRL number never goes back
    CreateCaSkeleton(progDir_, "Alpha");
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/crlnumber"), QByteArray("0B\n"));
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/serial.txt"), QByteArray("01\r\n"));
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/index.txt"), QByteArray(""));
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/private/ca.key"), QByteArray("key"));
}

TEST_F(PkiTest, SkeletonFailsWhenItsDirectoryCannotBeMade)
{
    try {
        CreateCaSkeleton(progDir_ + "missing/", "Alpha");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Impossible d'écrire dans " + progDir_ + "missing/Alpha/serial.txt");
    }
}

TEST_F(PkiTest, TemplateIsExactlyTheTwentyThreeLines)
{
    CreateCaSkeleton(progDir_, "Alpha");
    WriteBytes(progDir_ + "Alpha/root-ca.cnf", "old content that must go\r\n[x]\r\n");
    WriteRootTemplate(progDir_, "Alpha");
    EXPECT_EQ(ReadBytes(progDir_ + "Alpha/root-ca.cnf"), kTemplate);
}

TEST_F(PkiTest, SubjectReplacesTheTemplateLinesInPlace)
{
    CreateCaSkeleton(progDir_, "Alpha");
    WriteRootTemplate(progDir_, "Alpha");
    WriteRootSubject(progDir_, "Alpha", kSubject);
    QByteArray expected = kTemplate;
    expected.replace("C = FR\r\nST = France\r\nL = Paris\r\nO = plimo\r\nOU = plimo si\r\nCN = plimo ca\r\n"
                     "emailAddress = ca@example.org\r\n",
                     "C=DE\r\nST=Bayern\r\nL=M\xc3\xbcnchen\r\nO=Acme\r\nOU=IT\r\nCN=Acme CA\r\n"
                     "emailAddress=pki@acme.example\r\n");
    const QString file = progDir_ + "Alpha/root-ca.cnf";
    EXPECT_EQ(ReadBytes(file), expected);
    WriteRootSubject(progDir_, "Alpha", kSubject);
    EXPECT_EQ(ReadBytes(file), expected);
}

TEST_F(PkiTest, EmptyCompanyGivesEmptyOrganisationAndBareCaSuffix)
{
    CreateCaSkeleton(progDir_, "Alpha");
    WriteRootTemplate(progDir_, "Alpha");
    TSubject s = kSubject;
    s.company.clear();
    WriteRootSubject(progDir_, "Alpha", s);
    const QByteArray file = ReadBytes(progDir_ + "Alpha/root-ca.cnf");
    // The blank stays in quotes, so the name reaches the certificate as written.
    EXPECT_TRUE(file.contains("\r\nO=\r\nOU=IT\r\nCN=\" CA\"\r\n")) << file.constData();
}

TEST_F(PkiTest, RequestConfigVariantsDifferInTwoValuesOnly)
{
    ASSERT_TRUE(QDir().mkdir("Alpha"));
    const QByteArray head = "[req]\r\ndefault_bits=2048\r\ndistinguished_name=req_distinguished_name\r\nprompt=no\r\n"
                            "req_extensions=v3_req\r\nutf8=yes\r\nstring_mask=utf8only\r\n\r\n"
                            "[req_distinguished_name]\r\nC=DE\r\nST=Bayern\r\nL=M\xc3\xbcnchen\r\nO=Acme\r\nOU=IT\r\n";
    WriteRequestConfig("Alpha", TCertKind::Server, kSubject, "www.Alpha");
    EXPECT_EQ(ReadBytes("Alpha/user-cert.cnf"),
              head + "CN=www.Alpha\r\nemailAddress=pki@acme.example\r\n\r\n"
                     "[v3_req]\r\nnsCertType=server\r\nbasicConstraints=critical,CA:false\r\n");
    WriteRequestConfig("Alpha", TCertKind::User, kSubject, "jean");
    EXPECT_EQ(ReadBytes("Alpha/user-cert.cnf"),
              head + "CN=jean\r\nemailAddress=pki@acme.example\r\n\r\n"
                     "[v3_req]\r\nnsCertType=client,email\r\nbasicConstraints=critical,CA:false\r\n");
}

TEST_F(PkiTest, SigningConfigVariantsInSequence)
{
    ASSERT_TRUE(QDir().mkdir("Alpha"));
    const QString file = "Alpha/ca-sign.cnf";
    WriteSigningConfig("Alpha", TSigningVariant::Crl, "999");
    EXPECT_EQ(ReadBytes(file), SigningFile("", "email:copy", "serverAuth"));
    EXPECT_EQ(ReadBytes("Alpha/crlnumber"), QByteArray("01\r\n")); // the file the configuration names

    // A key the file lacks goes after the last key of its section.
    WriteSigningConfig("Alpha", TSigningVariant::Server, "365", {"DNS:www.Alpha"});
    QByteArray expected = SigningFile("", "DNS:www.Alpha,email:copy", "serverAuth");
    expected.replace("crl_extensions=crl_ext\r\n", "crl_extensions=crl_ext\r\ndefault_days=365\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    WriteSigningConfig("Alpha", TSigningVariant::User, "730");
    expected = SigningFile("", "email:copy", "clientAuth,emailProtection");
    expected.replace("crl_extensions=crl_ext\r\n", "crl_extensions=crl_ext\r\ndefault_days=730\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    WriteSigningConfig("Alpha", TSigningVariant::Crl, "1");
    expected.replace("clientAuth,emailProtection", "serverAuth");
    EXPECT_EQ(ReadBytes(file), expected);
}

TEST_F(PkiTest, FreshServerSigningConfigFollowsTheKeyOrder)
{
    ASSERT_TRUE(QDir().mkdir("Alpha"));
    WriteSigningConfig("Alpha", TSigningVariant::Server, "365", {"DNS:h.Alpha"});
    EXPECT_EQ(ReadBytes("Alpha/ca-sign.cnf"),
              SigningFile("default_days=365\r\n", "DNS:h.Alpha,email:copy", "serverAuth"));
}

TEST_F(PkiTest, ConfigWritesFailWithoutTheCaDirectory)
{
    const auto expectFailure = [](const std::function<void()> &write, const QString &message) {
        try {
            write();
            ADD_FAILURE() << "no exception";
        } catch (const EIniFileException &e) {
            EXPECT_EQ(e.Message(), message);
        }
    };
    expectFailure([] { WriteRequestConfig("Nope", TCertKind::User, kSubject, "u"); },
                  "Impossible d'écrire dans Nope/user-cert.cnf");
    expectFailure([] { WriteSigningConfig("Nope", TSigningVariant::Crl, ""); },
                  "Impossible d'écrire dans Nope/ca-sign.cnf");
    expectFailure([this] { WriteRootSubject(progDir_, "Nope", kSubject); },
                  "Impossible d'écrire dans " + progDir_ + "Nope/root-ca.cnf");
    EXPECT_FALSE(QFileInfo::exists("Nope"));
}

TEST_F(FullDiskTest, CaWritersOnAFullDiskFailAndLeaveEveryFileWhole)
{
    CreateCaSkeleton(progDir_, "Alpha");
    WriteRootTemplate(progDir_, "Alpha");
    WriteRootSubject(progDir_, "Alpha", kSubject);
    WriteRequestConfig("Alpha", TCertKind::Server, kSubject, "www.Alpha");
    WriteSigningConfig("Alpha", TSigningVariant::Server, "365", {"DNS:www.Alpha"});
    WriteBytes("Alpha/serial.txt", "0A\n");
    ASSERT_TRUE(QDir().mkdir("Beta")); // a CA made before its CRLs were numbered
    const auto before = Snapshot();
    TSubject other = kSubject;
    other.city = "Wien";
    Fill();
    const QStringList failures = {
        Failure([this] { CreateCaSkeleton(progDir_, "Alpha"); }),
        Failure([this] { WriteRootTemplate(progDir_, "Alpha"); }),
        Failure([&] { WriteRootSubject(progDir_, "Alpha", other); }),
        Failure([] { WriteRequestConfig("Alpha", TCertKind::User, kSubject, "jean"); }),
        Failure([] { WriteSigningConfig("Alpha", TSigningVariant::User, "730"); }),
        Failure([] { EnsureCrlNumber("Beta"); }),
    };
    Free();
    const QString failure = "Impossible d'écrire dans ";
    EXPECT_EQ(failures, QStringList({failure + progDir_ + "Alpha/serial.txt", failure + progDir_ + "Alpha/root-ca.cnf",
                                     failure + progDir_ + "Alpha/root-ca.cnf", failure + "Alpha/user-cert.cnf",
                                     failure + "Alpha/ca-sign.cnf", failure + "Beta/crlnumber"}));
    EXPECT_EQ(Snapshot(), before); // no temporary file either
}

TEST(EscapeConfigValue, EscapesTheParsersSpecialCharactersAndReadsBack)
{
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"plain text, with: punctuation & more", "plain text, with: punctuation & more"},
        {"$HOME", "\\$HOME"},
        {"a#b", "a\\#b"},
        {"C:\\dir\\n", "C:\\\\dir\\\\n"},
        {"\"quoted\" 'single' `back`", "\\\"quoted\\\" \\'single\\' \\`back\\`"},
        {"Société Île", "Société Île"},
        {" Paris ", "\" Paris \""},
        {"\t\"a\"", "\"\t\\\"a\\\"\""},
    };
    for (const auto &[in, out] : cases) {
        EXPECT_EQ(EscapeConfigValue(in), out) << in.toStdString();
        EXPECT_EQ(UnescapeConfigValue(out), in) << in.toStdString();
    }
}

} // namespace

namespace {

// A run that succeeded gives its results their names and leaves no file of the earlier
// issue for that name that would contradict them.
TEST_F(PkiTest, CommittedResultsReplaceEveryFileOfTheEarlierIssue)
{
    const QString dir = "Alpha/certs/Jean/";
    for (const TOperationKind kind : {TOperationKind::UserCertificate, TOperationKind::SignUserRequest}) {
        SCOPED_TRACE(int(kind));
        ASSERT_TRUE(QDir().mkpath(dir));
        for (const char *file : {"user.key", "user.csr", "user.crt", "Jean.p12", "Jean-chain.pem"})
            WriteBytes(dir + file, "earlier");
        TOperationInput in;
        in.kind = kind;
        in.ca = "Alpha";
        in.name = "Jean";
        const TOperationPlan plan = PlanOperation(in);
        for (const auto &[pending, final] : plan.commits)
            WriteBytes(pending, "new");
        EXPECT_EQ(CommitResults(plan), "");
        const QStringList expected = kind == TOperationKind::UserCertificate
                                         ? QStringList{"Jean-chain.pem", "Jean.p12", "user.crt", "user.csr", "user.key"}
                                         : QStringList{"Jean-chain.pem", "user.crt", "user.csr"};
        EXPECT_EQ(QDir(dir).entryList(QDir::Files, QDir::Name), expected);
        for (const QString &file : expected)
            EXPECT_EQ(ReadBytes(dir + file), "new") << file.toStdString();
        QDir(dir).removeRecursively();
    }
}

} // namespace
