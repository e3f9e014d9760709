// Holds a file the way another Windows program would, for edit_test.py under Wine: opens
// FILE to read, sharing it with readers ("read") or with nobody ("write"), says "held", and
// lets go when its standard input ends.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 2;
    const bool reader = std::wcscmp(argv[2], L"read") == 0;
    // The wine server closes a finished program's handles a moment after the program is gone,
    // so the test's previous holder or vendu may still hold the file: wait for it a while.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 1000; ++tries) {
        file = CreateFileW(argv[1], reader ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                           reader ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open the file: error %lu\n", GetLastError());
        return 1;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
