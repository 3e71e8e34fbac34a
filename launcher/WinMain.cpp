#include "KV_ZudIviMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return KV_ZudIviMain::Main();
}
