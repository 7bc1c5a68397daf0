#include "MemoLines.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr int kFrameMs = 20;

bool StartsABlock(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\r' || u == u'\n' || u == 0x2029 || u == 0xfdd0 || u == 0xfdd1;
}

// The text of one line as one block of the document. Inserted text starts a new block at
// CR, LF and U+2029, and U+FDD0 and U+FDD1 mark frames; a line holding them would take
// several blocks, and replacing the last line would leave the others behind. A line end
// inside an echoed entry becomes a line break within the block, the frame marks U+FFFD.
QString OneBlock(const QString &text)
{
    QString line = text;
    if (line.endsWith(QLatin1String("\r\n")))
        line.chop(2);
    else if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    if (std::none_of(line.cbegin(), line.cend(), StartsABlock))
        return line;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (QChar &c : line) {
        if (StartsABlock(c))
            c = c.unicode() >= 0xfdd0 ? QChar(QChar::ReplacementCharacter)
                                      : QChar(QChar::LineSeparator);
    }
    return line;
}

} // namespace

TMemoLines::TMemoLines(QPlainTextEdit *memo) : memo_(memo)
{
    frame_.setSingleShot(true);
    frame_.setInterval(kFrameMs);
    QObject::connect(&frame_, &QTimer::timeout, [this] { Repaint(); });
    // A read-only pane has nothing to undo; the undo stack would only keep every line twice.
    if (memo_)
        memo_->document()->setUndoRedoEnabled(false);
}

TMemoLines::~TMemoLines()
{
    Repaint(); // a pane that outlives its lines must not stay frozen
}

int TMemoLines::Count() const
{
    if (!memo_)
        return 0;
    const QTextDocument *doc = memo_->document();
    if (doc->isEmpty())
        return oneEmptyLine_ ? 1 : 0;
    return doc->blockCount();
}

void TMemoLines::Add(const QString &line)
{
    if (!memo_)
        return;
    QTextDocument *doc = memo_->document();
    const bool hadLines = Count() > 0;
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (hadLines)
        cursor.insertBlock();
    cursor.insertText(OneBlock(line));
    cursor.endEditBlock();
    oneEmptyLine_ = doc->isEmpty();
    Changed();
}

void TMemoLines::ReplaceLast(const QString &line)
{
    if (!memo_)
        return;
    if (Count() == 0) {
        Add(line);
        return;
    }
    QTextDocument *doc = memo_->document();
    QTextCursor cursor(doc->lastBlock());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(OneBlock(line));
    cursor.endEditBlock();
    oneEmptyLine_ = doc->isEmpty();
    Changed();
}

void TMemoLines::SetText(const QString &text)
{
    if (!memo_)
        return;
    QTextCursor cursor(memo_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(OneBlock(text));
    cursor.endEditBlock();
    oneEmptyLine_ = false;
    Changed();
}

void TMemoLines::Clear()
{
    if (memo_)
        memo_->clear();
    oneEmptyLine_ = false;
}

void TMemoLines::BeginUpdate()
{
    ++updateDepth_;
}

void TMemoLines::EndUpdate()
{
    if (updateDepth_ > 0 && --updateDepth_ == 0)
        Changed();
}

void TMemoLines::Changed()
{
    if (updateDepth_ > 0 || !memo_)
        return;
    QScrollBar *bar = memo_->verticalScrollBar();
    bar->setValue(bar->maximum());
    // Every text comes in its own pass of the event loop, and Qt repaints in every pass, so a
    // flood of lines would cost a whole repaint each. The first change after a quiet frame is
    // painted at once; later ones in the same frame are painted together when it ends.
    if (frame_.isActive()) {
        if (memo_->updatesEnabled())
            memo_->setUpdatesEnabled(false);
    } else {
        frame_.start();
    }
}

void TMemoLines::Repaint()
{
    if (memo_ && !memo_->updatesEnabled())
        memo_->setUpdatesEnabled(true); // repaints the pane once
}
