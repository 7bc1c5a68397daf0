#include "app_Fixture.h"

TEST_F(WindowTest, EachPickerWritesOnlyItsOwnDayField)
{
    Open();
    struct Pick
    {
        const char *picker, *days;
    };
    const Pick pickers[] = {{"comboTTLCA", "txtTTLCA"}, {"comboTTLsrv", "txtTTLsrv"}, {"comboTTLusr", "txtTTLusr"}};
    const char *expected[] = {"30", "180", "360", "1800", "3600", "5400", "7200"};
    for (const Pick &p : pickers) {
        SCOPED_TRACE(p.picker);
        for (int i = 0; i < 7; ++i) {
            QMap<QString, QString> before;
            for (const Pick &o : pickers)
                before[o.days] = Text(o.days);
            Combo(p.picker)->setCurrentIndex(i);
            EXPECT_EQ(Text(p.days), expected[i]);
            for (const Pick &o : pickers) {
                if (o.days != p.days) {
                    EXPECT_EQ(Text(o.days), before[o.days]);
                }
            }
        }
    }
}

TEST_F(WindowTest, APickerWithoutSelectedItemLeavesItsDayField)
{
    Open();
    QComboBox *picker = Combo("comboTTLsrv");
    picker->setCurrentIndex(2);
    ASSERT_EQ(Text("txtTTLsrv"), "360");
    Field("txtTTLsrv")->setText("999"); // as a CA selection may leave it
    picker->setCurrentIndex(2);          // picking the same item again
    EXPECT_EQ(Text("txtTTLsrv"), "999");
    picker->setCurrentIndex(-1);
    EXPECT_EQ(Text("txtTTLsrv"), "999");
}

// What a picker shows is what is issued: a typed duration fills its day field, other text
// gives way to the choice in force, on Enter or when the focus leaves.
TEST_F(WindowTest, TextTypedIntoAPickerIsTakenOrPutBack)
{
    Open();
    const struct
    {
        const char *typed;
        bool enter;
        const char *shown, *days;
        int index;
    } rows[] = {
        {"2 ans", true, "2 ans", "720", -1},   // issued 365 days under "2 ans"
        {"deux ans", false, "2 ans", "720", -1},
        {"18 MOIS", false, "18 mois", "540", -1},
        {"1 ans", true, "1 an", "360", 2},
        {"0 mois", true, "1 an", "360", 2},
        {"10000 ans", false, "1 an", "360", 2},
        {"5ans", true, "5 ans", "1800", 3},
    };
    const std::pair<const char *, const char *> pickers[] = {
        {"comboTTLCA", "txtTTLCA"}, {"comboTTLsrv", "txtTTLsrv"}, {"comboTTLusr", "txtTTLusr"}};
    for (const auto &[name, days] : pickers) {
        QComboBox *picker = Combo(name);
        TypeKeys(picker, "abc");
        EXPECT_EQ(picker->currentText(), "Select") << name;
        EXPECT_EQ(Text(days), "365") << name;
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(name) + " typed " + row.typed);
            TypeKeys(picker, QString::fromUtf8(row.typed), row.enter);
            EXPECT_EQ(picker->currentText(), row.shown);
            EXPECT_EQ(Text(days), row.days);
            EXPECT_EQ(picker->currentIndex(), row.index);
        }
    }
    EXPECT_TRUE(boxes->shown.isEmpty());
}

TEST_F(WindowTest, PassPhraseTypedOnAnyPageAppearsOnAllFour)
{
    Open();
    const char *fields[] = {"cxMaskEdit1", "cxMaskEdit2", "cxMaskEdit3", "cxMaskEdit4"};
    int n = 0;
    for (const char *typed : fields) {
        SCOPED_TRACE(typed);
        const QString text = QString("secret %1 'é\"$").arg(++n);
        Type(typed, text);
        for (const char *f : fields) {
            EXPECT_EQ(Text(f), text) << f;
            EXPECT_EQ(Field(f)->echoMode(), QLineEdit::Normal);
        }
    }
    Type("cxMaskEdit3", "");
    for (const char *f : fields)
        EXPECT_EQ(Text(f), "") << f;
}

// Selecting a CA shows its lifetime in the picker, or no item, so that picking any item
// fills the day field.
TEST_F(WindowTest, TheCaLifetimePickerFollowsTheSelectedCa)
{
    Open();
    AddCa("alpha");
    Combo("comboTTLCA")->setCurrentIndex(4);
    Click("cxButton1");
    AddCa("beta");
    EXPECT_EQ(Text("txtTTLCA"), "");
    EXPECT_EQ(Combo("comboTTLCA")->currentIndex(), -1);
    EXPECT_EQ(Combo("comboTTLCA")->currentText(), "Select");
    Combo("comboTTLCA")->setCurrentIndex(4);
    EXPECT_EQ(Text("txtTTLCA"), "3600");
    Type("txtTTLCA", "1000");
    Click("cxButton1");
    Combo("comboDomaineName")->setCurrentIndex(0);
    EXPECT_EQ(Combo("comboTTLCA")->currentIndex(), 4);
    EXPECT_EQ(Text("txtTTLCA"), "3600");
    Combo("comboDomaineName")->setCurrentIndex(1);
    EXPECT_EQ(Combo("comboTTLCA")->currentIndex(), -1);
    EXPECT_EQ(Text("txtTTLCA"), "1000");
}
