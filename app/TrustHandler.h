#pragma once

class TForm1;

// « Installer dans ce poste »: the selected CA into this user's browser stores, and what
// was done in each, with the command for the system store.
class TTrustHandler
{
public:
    explicit TTrustHandler(TForm1 &form) : form_(form) {}
    void btTrustCAClick();

private:
    TForm1 &form_;
};
