// The one check of the lines a backup method writes for cmd.exe: the code page,
// cmd's line length in characters and bytes, delayed expansion, ntbackup's own
// limit. The backup dialog's OK makes it on the backup command file it can build
// from the record; the apply action on every file it writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apply/backup_methods.h"
#include "core/settings.h"

namespace lorvane {

// Why the files must not be written, as a message and its style.
struct CommandRefusal {
    std::wstring message;
    int style;
};

// The refusal for files that must not be written, or nothing. `files` starts
// with the backup command file.
std::optional<CommandRefusal> commandRefusal(const BackupRecord& backup, const BackupMethodDescription& method,
                                             const std::vector<CommandFile>& files);

// The stop message for a text that the batch code page cannot hold as a whole.
std::wstring unrepresentableMessage(const std::wstring& text);

}  // namespace lorvane
