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
//     kordavin.cfg, kordavin.ply, kordavin.msg; so no two nodes can each
//     hold what the other waits for.
//
// The operations the game needs:
//  - StoreCallerBeforeSend (the door's BeforeSend slot) and StoreOwnRecord
//    (its BeforeWait slot): the caller as the screen shows him, merged onto
//    his record as it stands; an unchanged one touches no file.
//  - ChangeRivalInOneStep: an action against another player.
//  - AppendPlayer, PostNews (store/files.h): a new record at the end, or in
//    the first free news slot, under the file's exclusive lock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/caller.h"
#include "store/records.h"

// What a step posts, written under the step's lock.
struct StepNews {
  PlayerKey To;  // the rival's key: his handle, or his real name before he is carried over
  std::string Line;
};

// The door's BeforeSend slot: stores the caller's record when it differs
// from what was last stored. Inside a step (a data file held) it does
// nothing: the step stores the caller itself before it lets go.
void StoreCallerBeforeSend();

// One action against player `number` (1-based), as one step: under an
// exclusive lock on kordavin.ply his record is read and handed to change,
// which alters it and GameSession (the caller pays here: cash, time), adds
// the news to post, and returns whether his record is to be written. Then,
// with hang-ups held: his record (when change said so and he is still in
// the file), the caller's own record (when it changed, merged as any store
// of his is) and the news are
// written, and the file is closed. change must not send: it collects its
// lines and the action tells them after the step. A caller whose own place
// is gone ends the session with nothing written. Returns whether his record
// was written.
bool ChangeRivalInOneStep(
    int16_t number, const std::function<bool(PlayerRecord& rival, std::vector<StepNews>& news)>& change);

// The time left that a record may hold: never below 0. A stake that takes
// more than was left overspends the day; stored negative, it would read back
// as a day never begun.
int16_t StoredTimeLeft(int16_t time_left);
