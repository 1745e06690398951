// What the apply action needs of the operating system beyond the host: replacing
// a file whole, the code page that cmd.exe reads batch files in, and starting a
// program with a hidden window. Each toolkit backend implements it; tests may
// install their own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lorvane {

enum class Outcome {
    Ok,
    NotWritable,  // the file or its folder may not be written: read-only, locked, access denied
    Failed,       // anything else; the description says what
};

struct SystemResult {
    Outcome outcome = Outcome::Ok;
    std::wstring description;  // the system's own text for Failed, in the user's language

    bool ok() const { return outcome == Outcome::Ok; }
};

class SystemAccess {
public:
    virtual ~SystemAccess() = default;

    // Replaces the file at path (backslash-separated) with exactly these bytes.
    // The file then holds either its old content or the new one, never a part;
    // nothing else is left behind in its folder.
    virtual SystemResult replaceFile(const std::wstring& path, std::string_view bytes) = 0;

    // The text in the code page that cmd.exe reads batch files in, or nothing when
    // a character of it has no exact equivalent there (no best-fit substitutes).
    virtual std::optional<std::string> toBatchCodePage(std::wstring_view text) = 0;

    // The full path of the system's command interpreter.
    virtual std::wstring commandInterpreter() = 0;

    // Starts the program (a full path, never looked up on a search path) with the
    // arguments, in the working directory, with its window hidden, without waiting.
    virtual SystemResult startHidden(const std::wstring& program, const std::wstring& arguments,
                                     const std::wstring& workingDirectory) = 0;
};

SystemAccess& systemAccess();
// Installs the implementation; returns the one it replaces. The toolkit installs its
// backend's platformSystemAccess() when it starts.
SystemAccess* setSystemAccess(SystemAccess* access);

// The backend's own implementation, defined once in each toolkit backend.
SystemAccess& platformSystemAccess();

}  // namespace lorvane
