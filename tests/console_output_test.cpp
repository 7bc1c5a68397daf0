// How the child's output is cut into lines and shown: reads that split a line or a line
// end, lone CRs, NUL bytes, prompts, and characters split between reads.

#include "console_support.h"

#include <QPlainTextEdit>

namespace {

struct TOutputCase {
    const char *name;
    const char *script;
    std::vector<TDelivery> expected;
    QStringList shown;
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
        {"line in two reads", "printf ab; sleep 0.3; printf 'c\\r\\n'",
         {Beginning("ab"), Line("abc", rcCRLF)},
         {"abc"}},
        {"CR ends one read, LF begins the next", "printf 'a\\r'; sleep 0.3; printf '\\nb\\n'",
         {Line("a", rcLF), Line("b", rcLF)},
         {"a", "b"}},
        {"CR CR LF", "printf 'x\\r\\r\\n'", {Line("x", rcLF), Line("", rcCRLF)}, {"x", ""}},
        {"NUL inside a line", "printf 'a\\000b\\r\\n'", {Line("ab", rcCRLF)}, {"ab"}},
        {"CR alone", "printf 'a\\rb\\n'", {Line("a", rcLF), Line("b", rcLF)}, {"a", "b"}},
        {"prompt without line end", "printf 'prompt> '",
         {Beginning("prompt> "), Beginning("prompt> ")},
         {"prompt> "}},
        {"character split between reads", "printf '\\303'; sleep 0.3; printf '\\251t\\n'",
         {Beginning(QString(QChar::ReplacementCharacter)), Line(e + "t", rcLF)},
         {e + "t"}},
    };
    for (const TOutputCase &c : cases) {
        SCOPED_TRACE(c.name);
        deliveries.clear();
        lines.Clear();
        command->SetCommandLine(Shell(c.script));
        RunToEnd(command);
        EXPECT_EQ(deliveries, c.expected);
        EXPECT_EQ(lines.lines, c.shown);
        EXPECT_EQ(lines.unbracketed, 0);
        EXPECT_EQ(lines.depth, 0);
        QStringList collected;
        for (const TDelivery &d : c.expected)
            collected << d.text;
        EXPECT_EQ(command->CollectedLines(), collected);
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
    EXPECT_EQ(command->CollectedLines(), (QStringList{"a", "b", "b"}));
    EXPECT_EQ(lines.lines, QStringList{"kept"});
}

TEST_F(ConsoleTest, MemoShowsAGrowingLineOnce)
{
    QPlainTextEdit memo;
    memo.setReadOnly(true);
    TMemoLines memoLines(&memo);
    command->SetOutputLines(&memoLines);
    command->SetCommandLine(Shell("printf 'first\\r\\n'; printf ab; sleep 0.3; printf 'c\\r\\n'"));
    RunToEnd(command);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("first\nabc"));
    command->SetOutputLines(nullptr);
}
