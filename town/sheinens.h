// Flaming Sheinen's: the agent, the women at the bar, the burger, the bar itself.
#pragma once

void HireAgent();
void TalkToWomen();
void EatFlameBurger();
void BuyTheBar();
