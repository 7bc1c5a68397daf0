#pragma once
#include "console/Strings.h"

#include <QPointer>
#include <QTimer>

class QPlainTextEdit;

// The lines of a read-only output pane, one block of its document each. A memo line cannot
// hold its own line end, so a trailing CR LF or LF of a text is not shown. Every change
// keeps the view at the end. UI thread only.
class TMemoLines : public TStrings
{
public:
    explicit TMemoLines(QPlainTextEdit *memo);
    ~TMemoLines() override;
    TMemoLines(const TMemoLines &) = delete;
    TMemoLines &operator=(const TMemoLines &) = delete;

    int Count() const override;
    void Add(const QString &line) override;
    void ReplaceLast(const QString &line) override;
    void SetText(const QString &text) override;
    void Clear() override;
    void BeginUpdate() override;
    void EndUpdate() override;

private:
    void Changed();
    void Repaint();

    QPointer<QPlainTextEdit> memo_;
    int updateDepth_ = 0;
    // A document with one empty line looks exactly like an empty one; this tells them apart.
    bool oneEmptyLine_ = false;
    QTimer frame_;
};
