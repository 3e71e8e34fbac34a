#include "KV_ZudIviMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    KV_ZudIviMain::Main();
    return 0;
}
