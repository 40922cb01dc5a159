#include "town/petes.h"

#include <gtest/gtest.h>

#include "door/fake_host_testing.h"
#include "store/state.h"
#include "town/raid_testing.h"

namespace {

class PetesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeRaidTestDir();
    SetRaidTestCaller(dir_, MakeRaidTestPlayer("Slick", "Caller One"));
  }
  void TearDown() override { RemoveRaidTestDir(dir_); }
  void Run(void (*action)(), const std::string& keys) {
    QueueKeys(keys);
    action();
    output_ = TakeOutput();
  }
  bool Shown(const std::string& text) const { return output_.find(text) != std::string::npos; }

  std::string dir_;
  std::string output_;
};

TEST_F(PetesTest, PriceListShowsTheSquareLadder) {
  Run(ShowClothesPrices, "");
  const std::string rule = std::string(3, '\xC4') + " " + std::string(30, '\xC4') + "   " +
                           std::string(11, '\xC4');
  EXPECT_TRUE(Shown("\r\n                  Name                  Price\r\n" + rule + "\r\n"));
  const char* prices[] = {"    5000", "   20000", "   45000", "   80000", "  125000",
                          "  180000", "  245000", "  320000", "  405000", "  500000"};
  for (int k = 1; k <= 10; ++k) {
    std::string name = "Piece" + std::to_string(k);
    name.resize(34, ' ');
    EXPECT_TRUE(Shown((k < 10 ? "0" : "") + std::to_string(k) + "] " + name + "$" +
                      prices[k - 1] + "\r\n"))
        << k;
  }
  EXPECT_EQ(GameSession.TimeLeft, 199);
}

TEST_F(PetesTest, NextPieceIsOfferedWithItsArticleAndPrice) {
  struct Case {
    uint8_t level;
    const char* offer;
  };
  for (const Case c : {Case{1, "a pair of Piece2. It costs $20000."},
                       Case{3, "a pair of Piece4. It costs $80000."},
                       Case{4, "a Piece5. It costs $125000."}}) {
    GameSession.Player.ClothesLevel = c.level;
    GameSession.Player.Cash = 1000000;
    Run(BuyClothes, "N");
    EXPECT_TRUE(Shown(std::string("\r\nStiff Pete offers you ") + c.offer +
                      "\r\nDo you want to buy it? [Y/N] N\r\n"));
    EXPECT_EQ(GameSession.Player.ClothesLevel, c.level);
    EXPECT_EQ(GameSession.Player.Cash, 1000000);
  }
  EXPECT_EQ(GameSession.TimeLeft, 200);
}

TEST_F(PetesTest, TopPieceCostsExactlyTheCashInHand) {
  GameSession.Player.ClothesLevel = 9;
  GameSession.Player.Cash = 499999;
  Run(BuyClothes, "Y");
  EXPECT_TRUE(Shown("It costs $500000.\r\nYou do not have that much money. Go get some more."));
  EXPECT_EQ(GameSession.Player.ClothesLevel, 9);
  EXPECT_EQ(GameSession.TimeLeft, 200);

  ASSERT_EQ(Fake.input.size(), 1u);  // the refusal asked nothing; the Y answers next
  GameSession.Player.Cash = 500000;
  Run(BuyClothes, "");
  EXPECT_TRUE(Shown("You got it! You now own a pair of Piece10.\r\n"));
  EXPECT_EQ(GameSession.Player.ClothesLevel, 10);
  EXPECT_EQ(GameSession.Player.Cash, 0);
  EXPECT_EQ(GameSession.TimeLeft, 192);

  Run(BuyClothes, "");
  EXPECT_EQ(output_, "Stiff Pete has nothing to offer you.\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 191);
}

TEST_F(PetesTest, CondomsAreLimitedByShelfAndWallet) {
  GameSession.Player.Cash = 55;
  GameSession.Player.CondomStock = 990;
  Run(BuyCondoms, "6\r5\r");
  EXPECT_TRUE(Shown("\r\nPurchase how many condoms [$10 Each] [5 Max] : 6\r\n\r\nPurchase"));
  EXPECT_EQ(GameSession.Player.Cash, 5);
  EXPECT_EQ(GameSession.Player.CondomStock, 995);
  EXPECT_EQ(GameSession.TimeLeft, 192);

  GameSession.Player.Cash = 1000000;
  GameSession.Player.CondomStock = 0;
  Run(BuyCondoms, "0\r");
  EXPECT_TRUE(Shown("[999 Max]"));
  EXPECT_EQ(GameSession.Player.Cash, 1000000);
  EXPECT_EQ(GameSession.TimeLeft, 192);

  for (auto [cash, stock] : {std::pair{1000, 999}, std::pair{9, 0}}) {
    GameSession.Player.Cash = cash;
    GameSession.Player.CondomStock = static_cast<int16_t>(stock);
    Run(BuyCondoms, "");
    EXPECT_EQ(output_, "\r\nStiff Pete has no condoms for sale.\r\n");
  }
  EXPECT_EQ(GameSession.TimeLeft, 190);
}

TEST_F(PetesTest, WardrobeListsThePiecesOwned) {
  Run(ShowWardrobe, "");
  EXPECT_EQ(output_, "\r\nYour Pimping Wardrobe\r\n" + std::string(21, '\xC4') +
                         "\r\n1] Piece1\r\n");
  GameSession.Player.ClothesLevel = 3;
  Run(ShowWardrobe, "");
  EXPECT_TRUE(Shown("1] Piece1\r\n2] Piece2\r\n3] Piece3\r\n"));
  EXPECT_FALSE(Shown("Piece4"));
  EXPECT_EQ(GameSession.TimeLeft, 198);
}

}  // namespace
