#pragma once
#include <QString>

// The button that Enter presses in a confirmation. A question whose "OK" destroys
// something (a CA's key, a certificate, a run) defaults to "Annuler".
enum class TDefaultButton { Ok, Cancel };

// The three modal boxes of the program. The window owns one; tests install a
// scripted one, so no test ever waits on a real dialog.
class TBoxes
{
public:
    virtual ~TBoxes() = default;
    // Caption "Tarvik", one "OK" button.
    virtual void Message(const QString &text) = 0;
    // Caption "Confirmation", "OK" and "Annuler"; true only for "OK".
    virtual bool Confirm(const QString &text, TDefaultButton byDefault) = 0;
    // Caption "Tarvik", error icon, one "OK" button.
    virtual void Error(const QString &text) = 0;
};

class TQtBoxes : public TBoxes
{
public:
    void Message(const QString &text) override;
    bool Confirm(const QString &text, TDefaultButton byDefault) override;
    void Error(const QString &text) override;
};

// A failure's message as the error box shows it: a "." is appended when the last
// character sorts above ".".
QString ErrorBoxText(const QString &message);
