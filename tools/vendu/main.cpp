// vendu: checks, searches, adds to, exports and imports entry files from a terminal.
#include "tools/vendu/Commands.h"
#include "tools/vendu/Console.h"

#include "text/Convert.h"

#include <cstdio>
#include <new>
#include <stdexcept>

#ifndef _WIN32
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
    WriteText(stderr, "vendu: " + error +
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

int wmain(int argc, wchar_t** argv) {
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
