// The least a launcher can do: start Morvane.exe from its own folder with the
// command line it was given, and end. The launch benchmark measures the real
// launcher against it.
#include "StartClient.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pArguments, int) {
    return StartClient(pArguments) ? 0 : 1;
}
