// Stiff Pete's: the wardrobe ladder and the condoms.
#include "town/petes.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "door/input.h"
#include "door/output.h"
#include "door/text.h"
#include "game/not_covered.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/spend.h"
#include "store/state.h"

namespace {

// Pieces 2, 4 and 10 are sold as pairs.
std::string ClothesArticle(int piece) {
  return (piece == 2 || piece == 4 || piece == 10) ? "a pair of " : "a ";
}


// As many as both the shelf and the wallet allow.
int32_t MostCondomsForSale(const PlayerRecord& player) {
  const int32_t room = kMostCondoms - player.CondomStock;
  const int32_t afford = player.Cash / kCondomPrice;
  return room < afford ? room : afford;
}

}  // namespace

void ShowWardrobe() {
  WriteLine("|CR|03Your Pimping Wardrobe");
  WriteLine("|03" + Rule(21));
  for (int k = 1; k <= kTopClothesLevel && k <= GameSession.Player.ClothesLevel; ++k) {
    WriteLine("|12" + IntToText(k) + "] |14" + ClothesNameOf(k));
  }
  TakeTime(time_cost::kLook);
}

void BuyClothes() {
  PlayerRecord& me = GameSession.Player;
  if (me.ClothesLevel >= kTopClothesLevel) {
    WriteLine("|13Stiff Pete has nothing to offer you.");
    TakeTime(time_cost::kLook);
    return;
  }
  const int piece = me.ClothesLevel + 1;
  const int32_t price = ClothesPrice(piece);
  const std::string article = ClothesArticle(piece);
  WriteLine("|CR|13Stiff Pete offers you " + article + ClothesNameOf(piece) + ". It costs $" +
            IntToText(price) + ".");
  if (price > me.Cash) {
    WriteLine("|13You do not have that much money. Go get some more.");
    return;
  }
  WriteText("|13Do you want to buy it? [Y/N] ");
  if (!AskYesNo()) return;
  const bool paid = SpendInOneStep(Price{.Cash = price}, [piece] {
    GameSession.Player.ClothesLevel = static_cast<uint8_t>(piece);
    TakeTime(time_cost::kPetesPurchase);
  });
  if (!paid) {
    TellPriceNotCovered();
    return;
  }
  WriteLine("|CRYou got it! You now own " + article + ClothesNameOf(piece) + ".");
}

void BuyCondoms() {
  PlayerRecord& me = GameSession.Player;
  const int32_t most = MostCondomsForSale(me);
  if (most <= 0) {
    TakeTime(time_cost::kLook);
    WriteLine("|CRStiff Pete has no condoms for sale.");
    return;
  }
  int32_t quantity;
  do {
    WriteText("|CR|12Purchase how many condoms [$" + IntToText(kCondomPrice) + " Each] |03[" +
              IntToText(most) + " Max] |12: |14");
    quantity = InputNumber(3);
  } while (quantity < 0 || quantity > most);
  if (quantity == 0) return;
  const bool paid = SpendInOneStep(Price{.Cash = kCondomPrice * quantity}, [quantity] {
    PlayerRecord& buyer = GameSession.Player;
    buyer.CondomStock = static_cast<int16_t>(buyer.CondomStock + quantity);
    TakeTime(time_cost::kPetesPurchase);
  });
  if (!paid) TellPriceNotCovered();
}

void ShowClothesPrices() {
  WriteLine("|CR|03                  Name                  Price");
  WriteLine(Rule(3) + " " + Rule(30) + "   " + Rule(11));
  for (int k = 1; k <= kTopClothesLevel; ++k) {
    WriteText("|11" + TwoDigits(static_cast<uint16_t>(k)) + "] |12" +
              PadRight(ClothesNameOf(k), 34, ' '));
    WriteLine("|14$" + PadLeft(IntToText(ClothesPrice(k)), 8, ' '));
  }
  TakeTime(time_cost::kLook);
}
