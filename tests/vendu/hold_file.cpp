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
    HANDLE file = CreateFileW(argv[1], reader ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                              reader ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
