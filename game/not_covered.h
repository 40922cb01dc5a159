// What a caller is told when a price he agreed to is no longer covered by
// what he holds: another node robbed or fined him between the offer and his
// key. Nothing was paid; he sees his cash as it stands, then the prompt.
#pragma once

void TellPriceNotCovered();
