// Black Jack: one hand against the house's deck.
#pragma once

void PlayBlackJack();
