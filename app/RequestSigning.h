#pragma once
#include "pki/Operation.h"

class QWidget;
class TBoxes;

// Picks a certificate request made elsewhere, checks it and asks whether to sign it.
// True when the user confirmed; in (of a signing kind, with tool, CA and days) then holds
// the request and the names it is signed for. Refusals go to the boxes.
bool ChooseRequestToSign(QWidget *parent, TBoxes &boxes, TOperationInput &in);
