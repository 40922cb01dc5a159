// What other nodes did to a caller while he plays: a theft, a firebomb, a
// police fine. The node that changed his record wakes his door, which then
// looks at his record while he waits at a prompt; what changed is merged into
// it and told to him there, the way a page is. The news stays for his next
// call.
#pragma once

// Tells the caller what rivals did to him since he was last told, once.
void ShowRivalNotices();

// The key-wait hook: waiting pages, then those notices. False when a file
// was busy and the look is to be made again shortly.
bool CheckPagesAndNotices();
