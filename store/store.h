// The store: how the game changes the files that every node shares. Several
// doors read and write them at the same moment, and a caller may hang up at
// any byte; these rules keep the game fair all the same.
//
//  1. Write-ahead. No byte that tells the caller an outcome leaves the door
//     before the outcome is on disk. The door calls StoreCallerBeforeSend
//     before any output goes out, so the caller's record is stored before
//     the screen that shows it; an open of a data file never sends.
//  2. One step per action. Everything one action changes (the caller's
//     record, a rival's, the news it posts) is written under one exclusive
//     lock on kordavin.ply, with hang-ups held from the first write to the
//     last: after any hang-up or kill it has all happened or none of it.
//  3. A rival's record is changed on the copy read under that write lock,
//     never on one read before a key wait. The caller's own store is a
//     merge (store/own_merge.h): under the same lock it reads his record as
//     it stands and lays on it only what he changed himself since this
//     session last read or stored it. A theft, fine or fire another node
//     made meanwhile stands, so a thief's gain is his victim's loss whoever
//     acts next; the merged record becomes the session's, and the caller is
//     told at his next key wait. The news about it stays for his next call.
//  4. Never a lock, nor hang-ups held, across a send or a key wait. A step
//     collects what it will tell and sends it once its files are closed.
//  5. Every record write is one positioned write of the whole record, under
//     an OFD lock; a write a full disk cut short is taken back.
//  6. Data read back is clamped: a damaged or overspent value means the
//     nearest sound one, never a crash and never a gift (time left below 0
//     is none left, not a fresh day; cash below 0 is none).
//  7. Lock order. A process holding two data files took them in the order
//     kordavin.cfg, kordavin.ply, kordavin.msg, then a presence file; so no
//     two nodes can each hold what the other waits for.
//
// Only store/ opens, locks or writes these files. An action that writes more
// than one record does it as a StoreStep (store/step.h), which takes every
// lock it needs before its first write.
//
// The operations the game needs:
//  - StoreCallerBeforeSend (the door's BeforeSend slot) and StoreOwnRecord
//    (its BeforeWait slot), store/own_record.h: the caller as the screen
//    shows him, merged onto his record as it stands; an unchanged one
//    touches no file.
//  - ChangeRivalInOneStep (store/rival_change.h): an action against another
//    player.
//  - AppendPlayer (store/players.h), PostNews (store/shared_data.h): a new
//    record at the end, or in the first free news slot, under the file's
//    exclusive lock.
//  - StoreStandings (store/league_data.h): other boards' league standings
//    and the winner news they bring, in one step after kordavin.msg.
//  - A step's wake_players (store/door_wake.h): the doors of the players it
//    changed or paged, woken once its files are closed, so their callers are
//    told at their prompts.
#pragma once

#include "store/caller.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/players.h"
#include "store/presence.h"
#include "store/records.h"
#include "store/rival_change.h"
#include "store/shared_data.h"
#include "store/step.h"
