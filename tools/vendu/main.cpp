// vendu: checks, searches, adds to, exports and imports entry files from a terminal.
#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"

#include "text/Convert.h"

#include <cstdio>
#include <new>
#include <stdexcept>

#ifdef _WIN32
#include <cstring>
#include <windows.h>
#else
#include <csignal>
#endif

namespace vendu {

namespace {

// Flushes and closes standard output and turns a failure into the exit status. A reader that
// went away (a closed pipe) ends vendu quietly.
int Finish(const std::string& who, int status) {
    std::string reason;
    bool brokenPipe = false;
    if (CloseStandardOutput(reason, brokenPipe))
        return status;
    if (!brokenPipe)
        WriteText(stderr, who + ": writing standard output failed: " + reason + "\n");
    return kExitError;
}

int PrintHelp(const std::string& who, const std::string& text) {
    WriteText(stdout, text);
    return Finish(who, kExitOk);
}

int PrintVersion(const std::string& who, const char* version) {
    WriteText(stdout, std::string("vendu ") + version + "\n");
    return Finish(who, kExitOk);
}

int ToolUsageError(const std::string& error) {
    WriteText(stderr, "vendu: " + EscapeControls(error, false) +
                          "\nUsage: vendu COMMAND [OPTIONS] [ARGUMENTS]\n"
                          "Try 'vendu --help' for the commands.\n");
    return kExitError;
}

int RunCommand(const CommandSpec& command, const std::vector<std::string>& args,
               const char* version) {
    Options options;
    std::string error;
    switch (ParseCommandLine(command, args, options, error)) {
    case Parsed::help:
        return PrintHelp(options.Who(), CommandHelp(command));
    case Parsed::version:
        return PrintVersion(options.Who(), version);
    case Parsed::usageError:
        return UsageError(options, error);
    case Parsed::run:
        break;
    }
    int status = kExitError;
    try {
        status = command.run(options);
    } catch (const std::bad_alloc&) {
        Report(options, "out of memory: the data does not fit in memory");
    } catch (const std::length_error&) {
        Report(options, "out of memory: the data does not fit in memory");
    }
    return Finish(options.Who(), status);
}

} // namespace

int Run(const std::vector<std::string>& args, const char* version) {
    if (args.empty())
        return ToolUsageError("no command given");
    const std::string& first = args[0];
    if (first == "-h" || first == "--help" || (first == "help" && args.size() == 1))
        return PrintHelp("vendu", ToolHelp());
    if (first == "-V" || first == "--version")
        return PrintVersion("vendu", version);
    if (first == "help" && (args[1] == "-h" || args[1] == "--help" || args[1] == "help") &&
        args.size() == 2)
        return PrintHelp("vendu help", ToolHelp());
    if (first == "help" && (args[1] == "-V" || args[1] == "--version") && args.size() == 2)
        return PrintVersion("vendu help", version);
    if (first == "help") {
        const CommandSpec* command = FindCommand(args[1]);
        if (!command || args.size() > 2)
            return ToolUsageError(command ? "help takes one command"
                                          : "no command \"" + args[1] + "\"");
        return PrintHelp("vendu help", CommandHelp(*command));
    }
    if (!first.empty() && first[0] == '-')
        return ToolUsageError("unknown option " + first + " (options follow the command)");
    const CommandSpec* command = FindCommand(first);
    if (!command)
        return ToolUsageError("no command \"" + first + "\"");
    return RunCommand(*command, std::vector<std::string>(args.begin() + 1, args.end()), version);
}

} // namespace vendu

#ifdef _WIN32

namespace {

#if defined(__x86_64__)
// A Linux system call made directly, with up to four arguments: its result, or -errno.
long long LinuxCall(long long number, long long a, long long b, long long c, long long d) {
    long long result;
    register long long r10 asm("r10") = d;
    asm volatile("syscall"
                 : "=a"(result)
                 : "a"(number), "D"(a), "S"(b), "d"(c), "r"(r10)
                 : "rcx", "r11", "memory");
    return result;
}
#endif

// A file-size limit must make a write fail (and be undone), not end the process half way, as
// on POSIX systems. Under Wine on Linux the process is a Linux process that gets SIGXFSZ, and
// Wine leaves that signal's default, which ends it: it is ignored with Linux's own call. The
// call is made only once an unknown call number has come back as Linux's ENOSYS (or EPERM, from
// a filter of calls), never as a Windows status, so a Wine that takes such calls as Windows
// ones is left alone.
void IgnoreFileSizeSignalUnderWine() {
#if defined(__x86_64__)
    using HostVersion = void(__cdecl*)(const char** sysname, const char** release);
    const auto host = reinterpret_cast<HostVersion>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_host_version")));
    const char* system = nullptr;
    const char* release = nullptr;
    if (host)
        host(&system, &release);
    if (!system || std::strcmp(system, "Linux") != 0)
        return;
    constexpr long long kUnknownCall = 0x3FFF, kNoSuchCall = -38, kRefused = -1;
    constexpr long long kSigaction = 13, kSigxfsz = 25;
    const long long probe = LinuxCall(kUnknownCall, 0, 0, 0, 0);
    if (probe != kNoSuchCall && probe != kRefused)
        return;
    struct {
        unsigned long long handler = 1; // SIG_IGN
        unsigned long long flags = 0;
        unsigned long long restorer = 0;
        unsigned long long mask = 0;
    } ignore;
    LinuxCall(kSigaction, kSigxfsz, reinterpret_cast<long long>(&ignore), 0, sizeof ignore.mask);
#endif
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    IgnoreFileSizeSignalUnderWine();
    vendu::InitConsole();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(vorna::FromWide(argv[i], vorna::Encoding::utf8).text);
    return vendu::Run(args, VORNA_VERSION);
}

#else

int main(int argc, char** argv) {
    // A file-size limit must make a write fail (and be undone), not end the process half way.
    std::signal(SIGXFSZ, SIG_IGN);
    vendu::InitConsole();
    return vendu::Run(std::vector<std::string>(argv + 1, argv + argc), VORNA_VERSION);
}

#endif
