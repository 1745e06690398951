// The program's source folders form layers, lowest first: core, apply, platform,
// toolkit, the windows (backupinfo, schedule, logview), app. A file may include
// headers of its own layer and lower ones only, so that nothing points back up.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lorvane::layers {

// Every place under src that breaks the rule, one line each: an include that
// its folder may not use ("file:line: includes name (a may not include b)") or a
// folder that belongs to no layer.
std::vector<std::string> findForbiddenIncludes(const std::filesystem::path& src);

}  // namespace lorvane::layers
