#pragma once
// The commands of vendu. Each takes its arguments (after the command name, UTF-8) and returns
// the exit status: 0 done, 1 findings or refused input, 2 an error.
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vendu {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitError = 2;

struct Options {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; // "--format" -> "csv"
    std::set<std::string> flags;               // "--raw"

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    const std::string* Value(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? nullptr : &it->second;
    }
};

// "--name=value" and "--name value" for the names in withValue, "--flag" for those in flags,
// "--" ends the options. False with a reason on anything else.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, Options& out, std::string& error);

int RunCheck(const std::vector<std::string>& args);
int RunSearch(const std::vector<std::string>& args);
int RunAdd(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);

// The whole tool: args without the program name.
int Run(const std::vector<std::string>& args);

} // namespace vendu
