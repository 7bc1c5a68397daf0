// What reaches the child's standard input: exact bytes and line ends, entries larger than
// the buffer or the pipe, queue order, and the echo of entries into the output.

#include "console_support.h"

TEST_F(ConsoleTest, QueuedEntriesReachTheChildByteForByte)
{
    struct TCase {
        QString text;
        TReturnCode returnCode;
        bool endLine;
        QString hex;
    };
    const std::vector<TCase> cases = {
        {"exit", rcCRLF, true, "65 78 69 74 0d 0a"},
        {"exit", rcLF, true, "65 78 69 74 0a"},
        {"exit", rcLF, false, "65 78 69 74"},
        {QString::fromUtf8("\xc3\xa9"), rcLF, true, "c3 a9 0a"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.hex.toStdString());
        deliveries.clear();
        const int length = int(c.hex.split(' ').size());
        command->SetCommandLine(Shell(QStringLiteral("head -c %1 | od -An -tx1").arg(length)));
        command->SetReturnCode(c.returnCode);
        command->Start();
        command->QueueInputLine(c.text, c.endLine);
        ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
        ASSERT_FALSE(EntireLines().isEmpty());
        EXPECT_EQ(EntireLines().first().simplified(), c.hex);
    }
}

TEST_F(ConsoleTest, LargeEntriesAreWrittenWhole)
{
    // 3000 bytes outgrow the read buffer; 200000 bytes outgrow the pipe, so the write has
    // to be continued in later cycles.
    for (const int size : {3000, 200000}) {
        SCOPED_TRACE(size);
        deliveries.clear();
        command->SetCommandLine(Shell(QStringLiteral("head -c %1 | wc -c").arg(size)));
        command->Start();
        command->QueueInputLine(QString(size, QLatin1Char('x')), false);
        ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
        EXPECT_EQ(EntireLines(), QStringList{QString::number(size)});
    }
}

TEST_F(ConsoleTest, EntriesQueuedRightAfterStartAreWrittenInOrder)
{
    command->SetCommandLine(QString::fromLatin1(kCommandInterpreter));
    command->SetReturnCode(rcLF);
    command->Start();
    for (const char *entry : {"echo one", "echo two", "echo three", "exit"})
        command->QueueInputLine(QString::fromLatin1(entry), true);
    ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
    EXPECT_EQ(EntireLines(), (QStringList{"echo one", "one", "echo two", "two", "echo three",
                                          "three", "exit"}));
    EXPECT_EQ(command->RunStatus(), rsExited);
    EXPECT_EQ(command->RunResultCode(), 0u);
}

TEST_F(ConsoleTest, EchoedEntryCompletesThePrompt)
{
    command->SetCommandLine(Shell("printf \"name? \"; read x; echo \"got $x\""));
    command->SetReturnCode(rcLF);
    command->SetInputToOutput(true);
    command->Start();
    ASSERT_TRUE(WaitUntil([this] { return !deliveries.empty(); }));
    command->QueueInputLine("bob", true);
    ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
    EXPECT_EQ(deliveries, (std::vector<TDelivery>{{"name? ", otBeginningOfLine, rcCRLF},
                                                  {"name? bob\n", otEntireLine, rcCRLF},
                                                  {"got bob", otEntireLine, rcLF}}));
    EXPECT_EQ(lines.lines, (QStringList{"name? bob\n", "got bob"}));
}

TEST_F(ConsoleTest, QueueInputLineWithoutARunIsIgnored)
{
    command->QueueInputLine("lost", true);
    command->SetCommandLine(Shell("head -c 4 | od -An -c"));
    command->Start();
    command->QueueInputLine("kept", false);
    ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
    EXPECT_EQ(EntireLines().value(0).simplified(), QStringLiteral("k e p t"));
}
