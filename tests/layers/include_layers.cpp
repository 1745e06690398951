#include "include_layers.h"

#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace lorvane::layers {
namespace {

namespace fs = std::filesystem;

// What each folder of src may include besides itself. The toolkit is a library
// of its own and includes nothing of the program; core and apply know no window;
// a backup's run knows no window either; the platform implements apply's and the
// run's interfaces with the toolkit's Win32 helpers;
// the windows (and the routines that place them) see each other; app wires it all.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"toolkit", {}},
    {"core", {}},
    {"apply", {"core"}},
    {"backup", {"core", "apply"}},
    {"platform", {"core", "apply", "backup", "toolkit"}},
    {"placement", {"core", "apply", "toolkit", "backupinfo", "schedule", "logview"}},
    {"backupinfo", {"core", "apply", "toolkit", "placement", "schedule", "logview"}},
    {"schedule", {"core", "apply", "toolkit", "placement", "backupinfo", "logview"}},
    {"logview", {"core", "apply", "toolkit", "placement", "backupinfo", "schedule"}},
    {"restore", {"core", "apply", "backup", "toolkit", "placement", "backupinfo"}},
    {"app", {"core", "apply", "backup", "platform", "toolkit", "placement", "backupinfo", "schedule", "logview",
             "restore"}},
};

// The folder of a path relative to src: its first part, or nothing.
std::string layerOf(const fs::path& relative) { return relative.empty() ? std::string() : relative.begin()->string(); }

bool isSource(const fs::path& file) {
    const std::string ext = file.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

// A quoted name is taken from src first, as the build's include path does, then
// from the including file's folder.
fs::path resolve(const fs::path& src, const fs::path& including, const std::string& name) {
    if (fs::exists(src / name)) return fs::path(name).lexically_normal();
    return (including.parent_path() / name).lexically_normal();
}

}  // namespace

std::vector<std::string> findForbiddenIncludes(const fs::path& src) {
    static const std::regex include(R"(^\s*#\s*include\s+"([^"]+)\")");
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(src))
        if (entry.is_regular_file() && isSource(entry.path())) files.insert(fs::relative(entry.path(), src));

    std::vector<std::string> found;
    std::set<std::string> unplaced;
    for (const fs::path& file : files) {
        const std::string mine = layerOf(file);
        const auto allowed = kMayInclude.find(mine);
        if (allowed == kMayInclude.end()) {
            unplaced.insert(mine);
            continue;
        }
        std::ifstream in(src / file);
        std::string line;
        std::smatch match;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!std::regex_search(line, match, include)) continue;
            const fs::path target = resolve(src, file, match[1]);
            const std::string theirs = layerOf(target);
            if (theirs != mine && !allowed->second.contains(theirs))
                found.push_back(file.generic_string() + ":" + std::to_string(number) + ": includes " +
                                match[1].str() + " (" + mine + " may not include " + theirs + ")");
        }
    }
    for (const std::string& name : unplaced) found.push_back(name + ": in no layer");
    return found;
}

}  // namespace lorvane::layers
