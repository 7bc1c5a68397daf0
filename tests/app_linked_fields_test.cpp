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
    picker->setEditText("2 ans");        // typed text that is no item
    picker->setCurrentIndex(-1);
    EXPECT_EQ(Text("txtTTLsrv"), "999");
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
