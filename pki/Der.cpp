#include "pki/Der.h"

std::optional<TDerElement> DerElementAt(const QByteArray &der, qsizetype pos, qsizetype limit)
{
    if (pos + 2 > limit)
        return std::nullopt;
    TDerElement e;
    e.tag = quint8(der[pos]);
    const quint8 first = quint8(der[pos + 1]);
    pos += 2;
    qsizetype size = first;
    if (first & 0x80) {
        const int bytes = first & 0x7f;
        if (bytes == 0 || bytes > 4 || pos + bytes > limit)
            return std::nullopt;
        size = 0;
        for (int i = 0; i < bytes; ++i)
            size = (size << 8) | quint8(der[pos++]);
    }
    if (size > limit - pos)
        return std::nullopt;
    e.start = pos;
    e.size = size;
    return e;
}

QList<TDerElement> DerChildren(const QByteArray &der, const TDerElement &parent)
{
    QList<TDerElement> children;
    for (qsizetype pos = parent.start; pos < parent.End();) {
        const auto child = DerElementAt(der, pos, parent.End());
        if (!child)
            return {};
        children << *child;
        pos = child->End();
    }
    return children;
}
