// qdrpack: builds installers from a project file and a launcher stub, and inspects them.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "build.h"
#include "inspect.h"

namespace {

constexpr const char* kUsage =
    "usage: qdrpack build PROJECT.toml -o SETUP.exe [--stub qdrsetup.exe]\n"
    "       qdrpack inspect SETUP.exe\n";

int usageError(const std::string& problem) {
    std::cerr << "qdrpack: " << problem << "\n" << kUsage;
    return 2;
}

// The path of this executable, for the stub beside it.
std::filesystem::path selfPath(const char* argv0) {
    std::error_code error;
    const std::filesystem::path linked = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::absolute(argv0, error) : linked;
}

int build(const std::vector<std::string>& args, const char* argv0) {
    qdrpack::BuildRequest request;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--stub") {
            if (i + 1 == args.size()) return usageError(arg + " needs a path");
            if (arg == "-o") {
                request.output = args[++i];
                haveOutput = true;
            } else {
                request.stub = args[++i];
            }
        } else if (arg.starts_with("-") || !request.project.empty()) {
            return usageError("unexpected argument " + arg);
        } else {
            request.project = arg;
        }
    }
    if (request.project.empty()) return usageError("build needs a project file");
    if (!haveOutput) return usageError("build needs -o SETUP.exe");
    return qdrpack::buildCommand(request, selfPath(argv0), std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usageError("no command");
    const std::string& command = args.front();
    if (command == "-h" || command == "--help" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "build") return build({args.begin() + 1, args.end()}, argv[0]);
    if (command == "inspect") {
        if (args.size() != 2) return usageError("inspect needs exactly one installer");
        return qdrpack::inspectCommand(args[1], std::cout, std::cerr);
    }
    return usageError("unknown command " + command);
}
