// The caller's own save as a merge. While he sits at a prompt another node
// may rob him, fine him, burn his house or take a whore; his session still
// holds the record as it was. Writing that copy back would undo the theft
// and leave the thief's gain standing, so a save lays only what he changed
// himself since his last read or store on top of what the file holds now.
#pragma once

#include "store/records.h"

// base: his record as this session last read or stored it; mine: as his
// screen shows it now; on_disk: as the file holds it under the write lock.
// Cash and condom stock move by his own difference (cash held within 0 and
// the 32-bit range, the stock within 16 bits); any other field he changed is his, any he left alone
// is the file's. A whore is his and the file's alike only while both still
// hold her: one he let go, or one another node took, is gone; the ones he
// hired or lured meanwhile are added at the end, up to 20.
PlayerRecord MergeOwnRecord(const PlayerRecord& base, const PlayerRecord& mine,
                            const PlayerRecord& on_disk);

// Whether another node changed what the caller holds (cash, whores, house)
// between base and on_disk.
bool RivalsChanged(const PlayerRecord& base, const PlayerRecord& on_disk);
