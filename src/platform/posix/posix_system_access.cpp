#include "platform/posix/posix_system_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "platform/platform_system_access.h"
#include "toolkit/code_page.h"
#include "toolkit/utf8.h"

namespace lorvane {
namespace {

std::string Utf8(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) tk::appendUtf8(out, static_cast<char32_t>(wc));
    return out;
}

// Backslashes as separators; "X:\rest" below `drives` as "X/rest" when the test gives a folder for the drives.
std::string nativePath(const std::wstring& path, const std::string& drives) {
    std::string native = Utf8(path);
    if (!drives.empty() && native.size() >= 2 && native[1] == ':') native = drives + "/" + native[0] + native.substr(2);
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
}

SystemResult fromErrno(int error) {
    if (error == EACCES || error == EPERM || error == EROFS) return {Outcome::NotWritable, {}};
    std::wstring text;
    for (const char* p = std::strerror(error); *p; ++p)
        text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return {Outcome::Failed, text};
}

}  // namespace

SystemResult PosixSystemAccess::createFolder(const std::wstring& path) {
    const std::string target = nativePath(path, driveFolders);
    for (std::size_t at = 1; at <= target.size(); ++at) {
        if (at < target.size() && target[at] != '/') continue;
        if (::mkdir(target.substr(0, at).c_str(), 0755) != 0 && errno != EEXIST) return fromErrno(errno);
    }
    return {};
}

std::optional<std::string> PosixSystemAccess::readSmallFile(const std::wstring& path) {
    std::ifstream file(nativePath(path, driveFolders), std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes(1 << 20, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

SystemResult PosixSystemAccess::replaceFile(const std::wstring& path, std::string_view bytes) {
    const std::string target = nativePath(path, driveFolders);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !(existing.st_mode & S_IWUSR)) return {Outcome::NotWritable, {}};

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fromErrno(errno);
    int error = 0;
    for (std::size_t done = 0; done < bytes.size() && !error;) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n >= 0)
            done += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            error = errno;
    }
    if (!error && ::fchmod(fd, exists ? existing.st_mode & 07777 : 0644) != 0) error = errno;
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && std::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return fromErrno(error);
    }
    return {};
}

std::optional<std::string> PosixSystemAccess::toBatchCodePage(std::wstring_view text) {
    return tk::encodeToCodePage(text, 932);
}

bool PosixSystemAccess::folderExists(const std::wstring& path) {
    if (!path.empty() && path[0] == L'/') {
        struct stat found {};
        return ::stat(nativePath(path, driveFolders).c_str(), &found) == 0 && S_ISDIR(found.st_mode);
    }
    const auto comparable = [](std::wstring text) {
        while (!text.empty() && text.back() == L'\\') text.pop_back();
        for (wchar_t& c : text)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        return text;
    };
    for (const std::wstring& folder : folders)
        if (comparable(folder) == comparable(path)) return true;
    return false;
}

std::wstring PosixSystemAccess::findProgram(const std::wstring& name) {
    for (const std::wstring& missing : missingPrograms)
        if (missing == name) return {};
    return L"C:\\Windows\\System32\\" + name + L".exe";
}

ProgramRun PosixSystemAccess::runHidden(const std::wstring& program, const std::wstring& arguments,
                                        const std::wstring& workingDirectory,
                                        std::chrono::milliseconds timeout) {
    started.push_back({program, arguments, workingDirectory});
    waits.push_back(timeout);
    return answer;
}

namespace {

wchar_t folded(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// The path's names as Windows compares them: upper case, trailing dots and blanks gone.
std::vector<std::wstring> namesOf(const std::wstring& path) {
    std::vector<std::wstring> names;
    std::wstring name;
    const auto flush = [&] {
        while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
        if (!name.empty()) names.push_back(name);
        name.clear();
    };
    for (wchar_t c : path) {
        if (c == L'\\' || c == L'/')
            flush();
        else
            name += folded(c);
    }
    flush();
    return names;
}

}  // namespace

bool PosixSystemAccess::liesWithin(const std::wstring& inner, const std::wstring& outer) {
    const std::vector<std::wstring> in = namesOf(inner), out = namesOf(outer);
    return !out.empty() && in.size() >= out.size() && std::equal(out.begin(), out.end(), in.begin());
}

DriveKind PosixSystemAccess::driveKind(const std::wstring& path) {
    for (const auto& [drive, kind] : drives)
        if (liesWithin(path, drive) && path.starts_with(L"\\\\") == drive.starts_with(L"\\\\")) return kind;
    return DriveKind::Local;
}

SystemAccess& platformSystemAccess() {
    static PosixSystemAccess access;
    return access;
}

// The folders of a fixed Windows machine, as the native tests know it.
std::wstring platformWindowsDirectory() { return L"C:\\WINDOWS"; }

std::wstring platformSystemDirectory() { return L"C:\\WINDOWS\\system32"; }

DateTime platformNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DateTime::fromCivil(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
}

}  // namespace lorvane
