// The building blocks on their own: splitting a command line and the memo's lines.

#include "console/CommandLine.h"
#include "MemoLines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

TEST(ConsoleCommandLine, SplitsLikeAShell)
{
    struct TCase {
        QString line;
        QStringList words;
    };
    const std::vector<TCase> cases = {
        {"", {}},
        {"   ", {}},
        {"/bin/sh -v", {"/bin/sh", "-v"}},
        {"  a \t b  ", {"a", "b"}},
        {"sh -c 'echo \"$x\"; exit'", {"sh", "-c", "echo \"$x\"; exit"}},
        {"a 'it'\\''s' b", {"a", "it's", "b"}},
        {"\"x \\\"y\\\" \\n\" z", {"x \"y\" \\n", "z"}},
        {"a\\ b c", {"a b", "c"}},
        {"'' x", {"", "x"}},
        {"pre'quoted'post", {"prequotedpost"}},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line.toStdString();
}

TEST(ConsoleMemoLines, KeepsLinesAsAList)
{
    QPlainTextEdit memo;
    TMemoLines lines(&memo);
    EXPECT_EQ(lines.Count(), 0);
    lines.Add("");
    EXPECT_EQ(lines.Count(), 1);
    lines.Add("a");
    EXPECT_EQ(lines.Count(), 2);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("\na"));
    lines.ReplaceLast("b\r\n");
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("\nb"));
    lines.SetText("x");
    EXPECT_EQ(lines.Count(), 1);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("x"));
    lines.Clear();
    EXPECT_EQ(lines.Count(), 0);
    lines.Add("first\n");
    lines.Add("second");
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("first\nsecond"));
}

TEST(ConsoleMemoLines, StaysScrolledToTheEnd)
{
    QPlainTextEdit memo;
    memo.setReadOnly(true);
    // Small enough that Qt paints it on this thread: its pooled painting threads
    // synchronise in ways ThreadSanitizer cannot see.
    memo.resize(200, 80);
    memo.show();
    TMemoLines lines(&memo);
    for (int i = 0; i < 200; ++i) {
        lines.BeginUpdate();
        lines.Add(QString::number(i));
        lines.EndUpdate();
    }
    QScrollBar *bar = memo.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(0);
    lines.ReplaceLast("last");
    EXPECT_EQ(bar->value(), bar->maximum());

    // Repaints of a burst are collected, never lost: the pane paints again after it.
    QElapsedTimer clock;
    clock.start();
    while (!memo.updatesEnabled() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(memo.updatesEnabled());
}
