// Resource IDs shared by the resource script and the code that loads them.
#pragma once

// 1, the lowest ID, so that Explorer and the shell show it as the program's icon.
#define IDI_KV_ZUDIVI 1
