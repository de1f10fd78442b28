/* A program without a window that only waits, as a product's background process would, until it
   is ended. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    Sleep(120000);
    return 0;
}
