#pragma once
#include <QString>

// A list of text lines that the console output is shown in. Only the UI thread uses it.
class TStrings
{
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual void Add(const QString &line) = 0;
    virtual void ReplaceLast(const QString &line) = 0;
    virtual void SetText(const QString &text) = 0;
    virtual void Clear() = 0;

    // Changes between the two calls are shown at once when the outermost bracket closes.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};
