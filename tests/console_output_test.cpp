// How the child's output is cut into lines and shown: reads that split a line or a line
// end, lone CRs, NUL bytes, prompts, and characters split between reads.

#include "console_support.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// A script that writes in two parts waits with `read x` in between; the test lets it go on
// once the deliveries of the first part have arrived, so the parts come in separate reads.
struct TOutputCase {
    const char *name;
    const char *script;
    std::vector<TDelivery> expected;
    QStringList shown;
    size_t gateAfter = 0; // deliveries before the test lets a waiting script go on
};

const TDelivery Line(const QString &text, TReturnCode code)
{
    return {text, otEntireLine, code};
}

const TDelivery Beginning(const QString &text)
{
    return {text, otBeginningOfLine, rcCRLF};
}

} // namespace

TEST_F(ConsoleTest, OutputIsCutIntoLines)
{
    const QString e = QString::fromUtf8("\xc3\xa9");
    const std::vector<TOutputCase> cases = {
        {"line in two reads", "printf ab; read x; printf 'c\\r\\n'",
         {Beginning("ab"), Line("abc", rcCRLF)},
         {"abc"},
         1},
        {"CR ends one read, LF begins the next", "printf 'a\\r'; read x; printf '\\nb\\n'",
         {Line("a", rcLF), Line("b", rcLF)},
         {"a", "b"},
         1},
        {"CR CR LF", "printf 'x\\r\\r\\n'", {Line("x", rcLF), Line("", rcCRLF)}, {"x", ""}},
        {"NUL inside a line", "printf 'a\\000b\\r\\n'", {Line("ab", rcCRLF)}, {"ab"}},
        {"CR alone", "printf 'a\\rb\\n'", {Line("a", rcLF), Line("b", rcLF)}, {"a", "b"}},
        {"prompt without line end", "printf 'prompt> '",
         {Beginning("prompt> "), Beginning("prompt> ")},
         {"prompt> "}},
        {"character split between reads", "printf '\\303'; read x; printf '\\251t\\n'",
         {Beginning(QString(QChar::ReplacementCharacter)), Line(e + "t", rcLF)},
         {e + "t"},
         1},
    };
    for (const TOutputCase &c : cases) {
        SCOPED_TRACE(c.name);
        deliveries.clear();
        lines.Clear();
        command->SetCommandLine(Shell(c.script));
        command->Start();
        if (c.gateAfter > 0) {
            ASSERT_TRUE(WaitUntil([&] { return deliveries.size() >= c.gateAfter; }));
            command->QueueInputLine(QString(), true);
        }
        ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
        EXPECT_EQ(deliveries, c.expected);
        EXPECT_EQ(lines.lines, c.shown);
        EXPECT_EQ(lines.unbracketed, 0);
        EXPECT_EQ(lines.depth, 0);
        // A line that grew is kept once, as shown.
        EXPECT_EQ(command->CollectedLines(), c.shown);
        EXPECT_EQ(command->RunStatus(), rsExited);
    }
}

TEST_F(ConsoleTest, OutputAndErrorOutputShareTheOrderWritten)
{
    command->SetCommandLine(Shell("echo out1; echo err1 >&2; echo out2"));
    RunToEnd(command);
    EXPECT_EQ(EntireLines(), (QStringList{"out1", "err1", "out2"}));
}

TEST_F(ConsoleTest, LinesReachOnNewLineWithoutAnOutputList)
{
    lines.Add("kept");
    command->SetOutputLines(&lines);
    command->SetOutputLines(nullptr);
    command->SetCommandLine(Shell("printf 'a\\nb'"));
    RunToEnd(command);
    EXPECT_EQ(deliveries, (std::vector<TDelivery>{Line("a", rcLF), Beginning("b"), Beginning("b")}));
    EXPECT_EQ(command->CollectedLines(), (QStringList{"a", "b"}));
    EXPECT_EQ(lines.lines, QStringList{"kept"});
}

TEST_F(ConsoleTest, MemoShowsAGrowingLineOnce)
{
    // U+2029, U+FDD0 and U+FDD1 would each start a new block of the pane's document.
    QPlainTextEdit memo;
    memo.setReadOnly(true);
    TMemoLines memoLines(&memo);
    command->SetOutputLines(&memoLines);
    command->SetCommandLine(Shell("printf 'first\\r\\n'; printf 'a\\342\\200\\251b'; read x; "
                                  "printf 'c\\357\\267\\220d\\357\\267\\221\\r\\n'"));
    command->Start();
    ASSERT_TRUE(WaitUntil(
        [this] { return !deliveries.empty() && deliveries.back().type == otBeginningOfLine; }));
    command->QueueInputLine(QString(), true);
    ASSERT_TRUE(WaitUntil([this] { return !command->IsRunning(); }));
    EXPECT_EQ(command->CollectedLines(),
              (QStringList{"first", QString::fromUtf8("a\u2029bc\ufdd0d\ufdd1")}));
    EXPECT_EQ(memoLines.Count(), 2);
    EXPECT_EQ(memo.document()->blockCount(), 2);
    EXPECT_EQ(memo.document()->lastBlock().text(),
              QString::fromUtf8("a\u2028bc\ufffdd\ufffd"));
    command->SetOutputLines(nullptr);
}

TEST_F(ConsoleTest, AVeryLongLineTakesMemoryInProportion)
{
    // A line without its end is delivered again after every read; only its latest form may
    // be kept, and the list shows no more than its beginning.
    constexpr qint64 kLength = 10 * 1024 * 1024;
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    constexpr qint64 kMaxGrowthKb = 200 * 1024; // shadow memory grows with the heap
#else
    constexpr qint64 kMaxGrowthKb = 50 * 1024;
#endif
    command->SetOnNewLine(nullptr); // the recording handler would keep every delivery
    command->SetCommandLine(
        Shell(QStringLiteral("head -c %1 /dev/zero | tr \"\\000\" x; echo").arg(kLength)));
    ASSERT_TRUE(ResetPeakResident());
    const qint64 before = StatusKb("VmRSS");
    command->Start();
    qint64 growth = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            growth = StatusKb("VmHWM") - before;
            return growth > kMaxGrowthKb || !command->IsRunning();
        },
        120000));
    command->Stop();
    EXPECT_LE(growth, kMaxGrowthKb);
    ASSERT_TRUE(WaitUntil([this] { return TConsoleCommand::WaitForAllWorkers(0); }));
    const QStringList collected = command->CollectedLines();
    ASSERT_EQ(collected.size(), 1);
    EXPECT_EQ(collected[0].size(), kLength);
    ASSERT_EQ(lines.lines.size(), 1);
    EXPECT_EQ(lines.lines[0], QString(64 * 1024, QLatin1Char('x')) + QChar(0x2026));
}
