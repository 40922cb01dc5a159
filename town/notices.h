// What other nodes did to a caller while he plays: a theft, a firebomb, a
// police fine. While he waits at a prompt his record is looked at about once
// a second; what changed is merged into it and told to him there, the way a
// page is. The news stays for his next call.
#pragma once

// Tells the caller what rivals did to him since he was last told, once.
void ShowRivalNotices();

// The key-wait hook: waiting pages, then those notices.
void CheckPagesAndNotices();
