// Stands in for a web browser in tests: writes the command line it was started with to the
// file its option --record=<path> names (the path may be quoted), then ends.
#include <windows.h>

#include <string>

int main() {
    const std::string line = ::GetCommandLineA();
    const std::string option = "--record=";
    std::size_t at = line.find(option);
    if (at == std::string::npos)
        return 2;
    at += option.size();
    std::string path;
    if (at < line.size() && line[at] == '"') {
        const std::size_t end = line.find('"', at + 1);
        path = line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    } else {
        path = line.substr(at, line.find(' ', at) - at);
    }
    // Written under a temporary name and renamed, so a reader never sees half of it.
    const std::string partial = path + ".part";
    HANDLE file = ::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
    return ::MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
