// wine-desktop-keeper: holds Wine's desktop process open while the Windows tests run. Wine
// starts that process from the first program that needs it, and the process keeps that
// program's standard output; started from here, with nothing open, it holds no pipe a test
// runner waits on. With a file name it creates that file once the desktop is up. It ends on
// its own after two hours in case nobody stops it.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    GetDesktopWindow();
    if (argc > 1) {
        if (std::FILE* ready = std::fopen(argv[1], "w"))
            std::fclose(ready);
    }
    Sleep(2 * 60 * 60 * 1000);
    return 0;
}
