// What happened while the caller was away: the news and the overnight report.
#pragma once

void ShowNews();
void ShowOvernight();
