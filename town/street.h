// Actions on the street corner and at Flaming Sheinen's that change the
// caller's own whores, house and street, and the police tip.
#pragma once

#include "store/records.h"

void MoveStreet();
void PoliceTip();
void GiveCondoms();
void SetUpWhoreHouse();
void DisbandWhore();
// Removes slot k (1..WhoreCount) from a rival's working record, keeping the
// slots packed.
void RemoveWhoreSlot(PlayerRecord& rival, int k);
