// What other nodes did to a caller while he plays: a theft, a firebomb, a
// police fine. His next store merges it into his record; his next key wait
// tells him, the way a page does. The news stays for his next call.
#pragma once

// Tells the caller what rivals did to him since he was last told, once.
void ShowRivalNotices();

// The key-wait hook: waiting pages, then those notices.
void CheckPagesAndNotices();
