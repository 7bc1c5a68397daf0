#include "pki/CaName.h"
#include "pki_support.h"

namespace {

TEST(CaName, AcceptsOnlyPortableDirectoryNames)
{
    const std::pair<const char *, bool> cases[] = {
        {"Alpha", true},    {"a.b-c_d", true}, {"9", true},         {"-x", true},
        {"", false},        {".hidden", false}, {"..", false},      {"a b", false},
        {"a/b", false},     {"a\\b", false},    {"Société", false}, {"a'b", false},
        {"a;b", false},     {"a$b", false},
    };
    for (const auto &[name, valid] : cases)
        EXPECT_EQ(IsValidCaName(QString::fromUtf8(name)), valid) << name;
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
