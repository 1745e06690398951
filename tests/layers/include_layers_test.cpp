#include "include_layers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace lorvane::layers {
namespace {

namespace fs = std::filesystem;

TEST(Layers, NoIncludeInTheProgramBreaksTheLayers) {
    const std::vector<std::string> found = findForbiddenIncludes(LORVANE_SOURCE_DIR "/src");
    for (const std::string& line : found) ADD_FAILURE() << line;
}

// A small source tree in a temporary folder of its own, one file at a time.
class SourceTree {
public:
    SourceTree() : root_(fs::temp_directory_path() / ("lorvane-layers-" + std::to_string(std::random_device{}()))) {}
    ~SourceTree() { fs::remove_all(root_); }
    void write(const std::string& path, const std::string& text) {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

TEST(Layers, TheCheckFindsWhatPointsUpAndNothingElse) {
    struct Case {
        const char* name;
        const char* file;
        const char* text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"own layer", "toolkit/form.cpp", "#include \"toolkit/form.h\"\n", {}},
        {"a lower layer", "app/menu_form.cpp", "#include \"core/settings.h\"\n#include \"platform/p.h\"\n", {}},
        {"the platform using the toolkit", "platform/p.cpp", "#include \"toolkit/form.h\"\n", {}},
        {"the toolkit reaching the program", "toolkit/t.cpp", "#include \"core/settings.h\"\n",
         {"toolkit/t.cpp:1: includes core/settings.h (toolkit may not include core)"}},
        {"apply knowing a window", "apply/a.cpp", "#include \"toolkit/form.h\"\n",
         {"apply/a.cpp:1: includes toolkit/form.h (apply may not include toolkit)"}},
        {"a window wiring the platform", "logview/l.cpp", "#include \"platform/p.h\"\n",
         {"logview/l.cpp:1: includes platform/p.h (logview may not include platform)"}},
        {"a sibling window", "schedule/s.cpp", "#include \"logview/l.h\"\n", {}},
        {"a system header", "core/c.cpp", "#include <windows.h>\n#include <app/forms.h>\n", {}},
        {"a commented-out include", "core/c.cpp", "// #include \"app/forms.h\"\n", {}},
        {"a dialog that includes the menu", "schedule/s.cpp", "\n#include \"app/menu_form.h\"\n",
         {"schedule/s.cpp:2: includes app/menu_form.h (schedule may not include app)"}},
        {"apply reaching the platform", "apply/a.cpp", "#  include   \"platform/platform_system_access.h\"\n",
         {"apply/a.cpp:1: includes platform/platform_system_access.h (apply may not include platform)"}},
        {"a name relative to the file", "core/c.h", "#include \"../toolkit/form.h\"\n",
         {"core/c.h:1: includes ../toolkit/form.h (core may not include toolkit)"}},
        {"a folder in no layer", "extras/x.cpp", "#include \"core/settings.h\"\n", {"extras: in no layer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceTree tree;
        // What the includes name exists, as in the real tree.
        for (const char* header : {"toolkit/form.h", "core/settings.h", "platform/p.h", "logview/l.h",
                                   "app/menu_form.h", "platform/platform_system_access.h"})
            tree.write(header, "#pragma once\n");
        tree.write(c.file, c.text);
        EXPECT_EQ(findForbiddenIncludes(tree.root()), c.expected);
    }
}

}  // namespace
}  // namespace lorvane::layers
