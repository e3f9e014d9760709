// Stands in for a web browser in tests: writes the command line it was started with to the
// file named by VORNA_LINK_RECORD, then ends.
#include <windows.h>

#include <cstring>

int main() {
    char path[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableA("VORNA_LINK_RECORD", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    // Written under a temporary name and renamed, so a reader never sees half of it.
    char partial[MAX_PATH + 8] = {};
    std::strcpy(partial, path);
    std::strcat(partial, ".part");
    HANDLE file = ::CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::CloseHandle(file);
    return ::MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
