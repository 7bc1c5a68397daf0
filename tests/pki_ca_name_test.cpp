#include "pki/AltNames.h"
#include "pki/CaName.h"
#include "pki/Texts.h"
#include "pki_support.h"

namespace {

TEST(CaName, AcceptsOnlyPortableDirectoryNames)
{
    const QString label63(63, u'a'), label64(64, u'a');
    const std::pair<QString, bool> cases[] = {
        {"Alpha", true},    {"a.b-c_d", true},  {"9", true},         {"acme.test", true},
        {label63 + ".test", true},              {label64 + ".test", false},
        {QString(243, u'a').replace(63, 1, u'.').replace(127, 1, u'.').replace(191, 1, u'.'), true},
        {QString(244, u'a').replace(63, 1, u'.').replace(127, 1, u'.').replace(191, 1, u'.'), false},
        {"-x", false},      {"", false},        {".hidden", false},  {"..", false},
        {"a b", false},     {"a/b", false},     {"../dir", false},   {"a\\b", false},
        {"Société", false}, {"a'b", false},     {"a;b", false},      {"a$b", false},
        {"x]y", false},     {"domaine", false}, {"DOMAINE", false},  {"Path", false},
        {"domaines", true},
    };
    for (const auto &[name, valid] : cases)
        EXPECT_EQ(IsValidCaName(name), valid) << name.toStdString();
    // A new CA ends every server name, so it must also be a DNS name.
    const std::pair<QString, bool> fresh[] = {
        {"acme.test", true}, {"a-b.c9", true}, {"Alpha", true}, {"my_ca", false}, {"acme.test.", false},
        {"a..b", false},     {"x-.test", false}, {"b.-x", false}, {"-x", false},  {"domaine", false},
    };
    for (const auto &[name, valid] : fresh)
        EXPECT_EQ(IsValidNewCaName(name), valid) << name.toStdString();
}

TEST(CaName, HostUserAndSerialRules)
{
    const QString suffix = ".acme.test";
    const std::pair<QString, bool> hosts[] = {
        {"www", true},          {"*.intranet", true},  {"*", true},           {"a-b.c9", true},
        {"WWW", true},          {QString(63, u'h'), true},                    {QString(64, u'h'), false},
        {"", false},            {"www.-acme", false},  {"-www", false},       {"www-", false},
        {"a..b", false},        {".www", false},       {"www.", false},       {"w w", false},
        {"x,DNS:evil.example,IP:10.0.0.1,DNS:y", false},                      {"../../escaped", false},
        {"a/b", false},         {"*.*.x", false},      {"w*", false},         {"é", false},
        {QString(61, u'a') + "." + QString(61, u'b') + "." + QString(61, u'c') + "." + QString(61, u'd'), false},
    };
    for (const auto &[host, valid] : hosts)
        EXPECT_EQ(IsValidHostName(host, host + suffix), valid) << host.toStdString();

    const std::pair<QString, bool> users[] = {
        {"Jean Dupré", true}, {"o'Brien & fils $x", true}, {"...", true},  {"a.b", true},
        {"", false},          {".", false},                {"..", false},  {"../../escaped", false},
        {"a/b", false},       {" Jean", false},            {"Jean ", false}, {"Je\tan", false},
        {QString("a") + QChar(0x7f), false},               {QString(252, u'u'), false},
        {"Zoë 😀", false},    {QString("Jean") + QChar(0xa0) + "Dupré", false},
        {QString(241, u'u'), true},                        {QString(80, u'é') + QString(82, u'u'), false},
        {QString("a") + QChar(0x2028) + "b", false},       {QString("a") + QChar(0x2029) + "b", false},
        {"a" + QString::fromUcs4(U"\U000E0001") + "b", false},                {"a" + QString::fromUcs4(U"\U000F0000"), false},
        {QString("a") + QChar(0x3164), false},             {QString("a") + QChar(0x034f) + "b", false},
        {QString("a") + QChar(0x200b) + "b", false},       {QString("a") + QChar(0xd800) + "b", false},
        {QString("a") + QChar(0xdc00), false},             {QString("a") + QChar(0x0378), false},
    };
    for (const auto &[user, valid] : users)
        EXPECT_EQ(IsValidUserName(user), valid) << user.toStdString();

    const std::pair<QString, bool> serials[] = {
        {"0A", true}, {"0a", true}, {"ff01", true}, {"", false}, {"0G", false}, {"../x", false}, {"01/", false}, {" 01", false},
    };
    for (const auto &[serial, valid] : serials)
        EXPECT_EQ(IsValidSerial(serial), valid) << serial.toStdString();
    EXPECT_EQ(CanonicalSerial("a"), "0A");

    const std::pair<QString, bool> emails[] = {
        {"marie.curie@acme.test", true}, {"a+b$c#d@x", true},    {QString(123, u'm') + "@a.fr", true},
        {QString(124, u'm') + "@a.fr", false}, {"", false},      {"@acme.test", false}, {"marie@", false},
        {"a@b@c", false},               {"marie curie@x", false}, {"m\"x@y", false},   {"m,x@y", false},
        {"m\nx@y", false},              {"zoë@acme.test", false},
    };
    for (const auto &[email, valid] : emails)
        EXPECT_EQ(IsValidEmailAddress(email), valid) << email.toStdString();

    const std::pair<QString, bool> urls[] = {
        {"http://pki.acme.test/acme.test.crl", true}, {"https://10.0.0.5:8080/c.crl?v=$1#x", true},
        {"http://x/" + QString(503, u'c'), true},     {"http://x/" + QString(504, u'c'), false},
        {"ftp://pki.acme.test/c.crl", false},         {"http:///c.crl", false},  {"pki.acme.test/c.crl", false},
        {"http://a/b c", false},                      {"http://a/b,URI:http://evil", false},
        {"http://a/\\b", false},                      {"http://a/'b", false},    {"http://a/\nb", false},
        {"http://é.test/c", false},
    };
    for (const auto &[url, valid] : urls)
        EXPECT_EQ(IsValidCrlUrl(url), valid) << url.toStdString();
    EXPECT_EQ(CanonicalSerial("0b1c"), "0B1C");
}

TEST(CaName, FurtherServerNames)
{
    const std::pair<QString, QStringList> good[] = {
        {"", {"DNS:www.acme.test"}},
        {"acme.test, intranet  10.0.0.5,2001:DB8:0:0::5", {"DNS:www.acme.test", "DNS:acme.test", "DNS:intranet",
                                                           "IP:10.0.0.5", "IP:2001:db8::5"}},
        {"WWW.acme.test *.acme.test intranet INTRANET", {"DNS:www.acme.test", "DNS:*.acme.test",
                                                                   "DNS:intranet"}},
    };
    for (const auto &[typed, entries] : good) {
        const TAltNames names = ServerAltNames("www.acme.test", typed);
        EXPECT_EQ(names.refusal, "") << typed.toStdString();
        EXPECT_EQ(names.entries, entries) << typed.toStdString();
    }
    for (const char *bad : {"a..b", "-x", "x_y", "DNS:evil.example", "*.*.acme.test", "10.0.0.5:443", "[::1]",
                               "fe80::1%eth0", "10.0.0.256", "10.1", "010.0.0.5", "é.test", "a/b"}) {
        const TAltNames names = ServerAltNames("www.acme.test", QString("ok.test ") + bad);
        EXPECT_EQ(names.refusal, Texts::InvalidAltName(bad)) << bad;
    }
    QStringList many;
    for (int i = 0; i < 100; ++i)
        many << QString("h%1").arg(i);
    EXPECT_EQ(ServerAltNames("www.acme.test", many.mid(0, 99).join(' ')).refusal, "");
    EXPECT_EQ(ServerAltNames("www.acme.test", many.join(' ')).refusal, Texts::TooManyAltNames(100));
}

TEST_F(PkiTest, DatabaseExistsOnlyWithAnIndexFile)
{
    EXPECT_FALSE(CaDatabaseExists(progDir_, "Alpha"));
    ASSERT_TRUE(QDir().mkdir("Alpha"));
    EXPECT_FALSE(CaDatabaseExists(progDir_, "Alpha"));
    WriteBytes(progDir_ + "Alpha/index.txt", "");
    EXPECT_TRUE(CaDatabaseExists(progDir_, "Alpha"));
    EXPECT_FALSE(CaDatabaseExists(progDir_, ""));
}

} // namespace
