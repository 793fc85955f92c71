#include "build.h"

#include "file_io.h"
#include "project.h"
#include "writer.h"

namespace qdrpack {

namespace fs = std::filesystem;

std::optional<fs::path> defaultStub(const fs::path& self) {
    std::error_code error;
    const fs::path builtWith = QDRPACK_DEFAULT_STUB;
    if (!builtWith.empty() && fs::is_regular_file(builtWith, error)) return builtWith;
    const fs::path beside = self.parent_path() / "qdrsetup.exe";
    if (fs::is_regular_file(beside, error)) return beside;
    return std::nullopt;
}

int buildCommand(const BuildRequest& request, const fs::path& self, std::ostream& out, std::ostream& err) {
    try {
        const payload::Contents contents = loadProject(request.project);
        const std::optional<fs::path> stub = request.stub ? request.stub : defaultStub(self);
        if (!stub) {
            err << "qdrpack: no launcher stub found; name one with --stub qdrsetup.exe\n";
            return 2;
        }
        std::string installer;
        try {
            installer = payload::buildInstaller(readFileBytes(*stub), contents);
        } catch (const payload::FormatError& error) {
            err << "qdrpack: " << stub->string() << ": " << error.what() << "\n";
            return 2;
        }
        writeFileAtomically(request.output, installer);
        out << "wrote " << request.output.string() << " (" << installer.size() << " bytes, " << contents.files.size()
            << " included files)\n";
        return 0;
    } catch (const ProjectError& error) {
        err << "qdrpack: " << error.what() << "\n";
    } catch (const FileError& error) {
        err << "qdrpack: " << error.what() << "\n";
    }
    return 2;
}

}  // namespace qdrpack
