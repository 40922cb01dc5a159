#include "game/not_covered.h"

#include "door/output.h"
#include "door/text.h"
#include "store/state.h"

void TellPriceNotCovered() {
  WriteLine("|CR|12You no longer have that much money: you have $" +
            IntToText(GameSession.Player.Cash) + " now.");
}
