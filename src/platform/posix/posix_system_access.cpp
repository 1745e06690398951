#include "platform/posix/posix_system_access.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/platform_system_access.h"
#include "toolkit/utf8.h"

namespace lorvane {
namespace {

std::string Utf8(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) tk::appendUtf8(out, static_cast<char32_t>(wc));
    return out;
}

std::string nativePath(const std::wstring& path) {
    std::string native = Utf8(path);
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

// The whole input converted, or nothing when iconv meets a character it cannot convert.
std::optional<std::string> convert(const char* to, const char* from, std::string_view input) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string output(input.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* out = output.data() + written;
        std::size_t outLeft = output.size() - written;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        written = output.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        output.resize(output.size() * 2);
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    output.resize(written);
    return output;
}

}  // namespace

SystemResult PosixSystemAccess::replaceFile(const std::wstring& path, std::string_view bytes) {
    const std::string target = nativePath(path);
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
    const std::string_view wide(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    std::optional<std::string> bytes = convert("CP932", "WCHAR_T", wide);
    if (!bytes) return std::nullopt;
    // iconv also takes best-fit substitutes (U+00A5 to 0x5C); only what converts back unchanged is exact.
    const std::optional<std::string> back = convert("WCHAR_T", "CP932", *bytes);
    if (!back || *back != wide) return std::nullopt;
    return bytes;
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
