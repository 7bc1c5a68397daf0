#pragma once
// What the window benchmarks share: boxes that answer at once, and controls by name.
#include "Boxes.h"

#include <QString>
#include <QWidget>
#include <cstdio>

class QuietBoxes : public TBoxes
{
public:
    void Message(const QString &) override {}
    bool Confirm(const QString &) override { return true; }
    void Error(const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
};

template <class T> T *Find(QWidget *form, const char *name)
{
    return form->findChild<T *>(QString::fromLatin1(name));
}
