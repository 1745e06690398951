#include "include_layers.h"

#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace lorvane::layers {
namespace {

namespace fs = std::filesystem;

// The windows share one layer: none of them includes another, but nothing forbids it.
const std::map<std::string, int> kLayers = {
    {"core", 1},       {"apply", 2},    {"platform", 3}, {"toolkit", 4},
    {"backupinfo", 5}, {"schedule", 5}, {"logview", 5},  {"app", 6},
};

// The layer of a path relative to src, from its first folder; 0 when it has none.
int layerOf(const fs::path& relative) {
    if (relative.empty()) return 0;
    const auto found = kLayers.find(relative.begin()->string());
    return found == kLayers.end() ? 0 : found->second;
}

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

std::vector<std::string> findUpwardIncludes(const fs::path& src) {
    static const std::regex include(R"(^\s*#\s*include\s+"([^"]+)\")");
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(src))
        if (entry.is_regular_file() && isSource(entry.path())) files.insert(fs::relative(entry.path(), src));

    std::vector<std::string> found;
    std::set<std::string> unplaced;
    for (const fs::path& file : files) {
        const int mine = layerOf(file);
        if (mine == 0) {
            unplaced.insert(file.begin()->string());
            continue;
        }
        std::ifstream in(src / file);
        std::string line;
        std::smatch match;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!std::regex_search(line, match, include)) continue;
            const fs::path target = resolve(src, file, match[1]);
            const int theirs = layerOf(target);
            if (theirs > mine)
                found.push_back(file.generic_string() + ":" + std::to_string(number) + ": includes " +
                                match[1].str() + " (layer " + target.begin()->string() + " above " +
                                file.begin()->string() + ")");
        }
    }
    for (const std::string& name : unplaced) found.push_back(name + ": in no layer");
    return found;
}

}  // namespace lorvane::layers
