// The bytes of a text the log viewer shows: held in memory, or read from the
// file a piece at a time and only a few pieces kept, so that a log of any size
// is shown in bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

// Which file a path named when it was read, and how long it was then.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t volume = 0, id = 0;  // the same two for the same file while it exists
    bool sameFile(const FileStamp& other) const { return volume == other.volume && id == other.id; }
};

// At most maxBytes of the file from offset on (fewer at its end) into bytes, read
// while the program that writes it may still hold it open; false when it cannot be
// read, and then failure (if given) receives the system's description of why.
// stamp (if given) receives the file's identity and size. Memory running out
// throws std::bad_alloc; the file is closed whichever way it ends. Each toolkit
// backend provides it (without the iostreams, which would double the size of the
// program). bytes keeps its memory where it has room: a large block allocated
// anew costs more than reading a megabyte, under some systems.
bool readFilePartInto(const std::wstring& path, std::uint64_t offset, std::size_t maxBytes,
                      std::string& bytes, std::wstring* failure, FileStamp* stamp = nullptr);

inline std::optional<std::string> readFilePart(const std::wstring& path, std::uint64_t offset,
                                               std::size_t maxBytes, std::wstring* failure,
                                               FileStamp* stamp = nullptr) {
    std::string bytes;
    if (!readFilePartInto(path, offset, maxBytes, bytes, failure, stamp)) return std::nullopt;
    return bytes;
}

inline std::optional<std::string> readWholeFile(const std::wstring& path, std::wstring* failure = nullptr) {
    return readFilePart(path, 0, std::numeric_limits<std::size_t>::max(), failure);
}

// Bytes at hand, contiguous: a view into a piece kept alive while the span is, or
// a copy of its own where the bytes asked for lie in more than one piece.
class ByteSpan {
public:
    ByteSpan() = default;
    ByteSpan(std::shared_ptr<const std::string> holder, std::string_view bytes)
        : holder_(std::move(holder)), bytes_(bytes) {}
    std::string_view view() const { return bytes_; }
    const char* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }

private:
    std::shared_ptr<const std::string> holder_;
    std::string_view bytes_;
};

class TextBytes {
public:
    static constexpr std::size_t kPiece = std::size_t{1} << 20;
    static constexpr std::size_t kPiecesKept = 16;
    // Bytes at each end that a reading of the file again compares.
    static constexpr std::size_t kEnds = 4096;

    // Nothing.
    TextBytes() : TextBytes(std::string()) {}
    explicit TextBytes(std::string bytes);
    // Bytes kept elsewhere (a mapped file), alive as long as owner is; a null
    // owner borrows them for as long as this lives.
    TextBytes(std::string_view bytes, std::shared_ptr<const void> owner);
    // The file as it is now: its first piece read, the rest when it is asked for.
    // Nothing, with the system's description in failure, when it cannot be read.
    static std::optional<TextBytes> open(const std::wstring& path, std::wstring* failure);

    std::uint64_t size() const { return size_; }
    bool fromFile() const { return file_ != nullptr; }

    // [offset, offset + length) within the bytes, contiguous; where they lie in
    // more than one piece, copied into scratch (if given, which is kept for the
    // next time) or into memory of their own.
    ByteSpan read(std::uint64_t offset, std::size_t length,
                  std::shared_ptr<std::string>* scratch = nullptr) const;
    // From offset on, at most maxLength bytes and never past the end of a piece:
    // never copied. Empty at the end.
    ByteSpan readSome(std::uint64_t offset, std::size_t maxLength) const;
    // The byte at offset, which lies before size().
    unsigned char at(std::uint64_t offset) const;

    // A piece read since the file was opened was not there as it had been: the
    // file grew shorter, is another file now, or could no longer be read. What was
    // missing reads as zeros; the file is to be read anew.
    bool changed() const;
    // The first and the last kEnds bytes (fewer in a smaller text), as they were read.
    const std::string& head() const { return head_; }
    const std::string& tail() const { return tail_; }
    const FileStamp& stamp() const;

    // Bytes a writer added at the end. In memory: these. From a file: the file is
    // now size bytes long, tail its last bytes and stamp what it was read as.
    void append(std::string_view more);
    void grow(const FileStamp& now, std::string tail);

private:
    struct File;

    void noteEnds();

    std::shared_ptr<std::string> own_;  // the bytes when held in memory, by this alone
    std::shared_ptr<const void> owner_;
    std::string_view memory_;
    std::shared_ptr<File> file_;
    std::uint64_t size_ = 0;
    std::string head_, tail_;
};

// One byte after another, anywhere in the bytes: the piece around the last one
// asked for is kept at hand, so that neighbours cost no lookup.
class ByteReader {
public:
    explicit ByteReader(const TextBytes& bytes) : bytes_(bytes) {}
    unsigned char operator[](std::uint64_t offset) {
        if (offset - base_ >= span_.size()) {
            base_ = offset - offset % TextBytes::kPiece;
            span_ = bytes_.readSome(base_, TextBytes::kPiece);
        }
        return static_cast<unsigned char>(span_.data()[offset - base_]);
    }

private:
    const TextBytes& bytes_;
    ByteSpan span_;
    std::uint64_t base_ = 0;
};

}  // namespace tk
