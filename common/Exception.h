#pragma once
#include <QString>
#include <exception>

// Base of every failure the program reports to the user: it carries the French
// message shown in the error box.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString &Message() const { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
