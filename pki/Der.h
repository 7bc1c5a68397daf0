#pragma once
#include <QByteArray>
#include <QList>

#include <optional>

// Just enough DER to read the fields Tarvik checks in the files the tool writes or a
// requester sends, without taking the tool's text for them.

struct TDerElement
{
    quint8 tag = 0;
    qsizetype start = 0, size = 0; // where the contents lie
    qsizetype End() const { return start + size; }
};

// The element whose header starts at pos, when it fits before limit.
std::optional<TDerElement> DerElementAt(const QByteArray &der, qsizetype pos, qsizetype limit);
// The elements inside a constructed one, in order; empty when they do not fit it exactly.
QList<TDerElement> DerChildren(const QByteArray &der, const TDerElement &parent);
