// Stiff Pete's wardrobe shop.
#pragma once

void ShowWardrobe();
void BuyClothes();
void BuyCondoms();
void ShowClothesPrices();
