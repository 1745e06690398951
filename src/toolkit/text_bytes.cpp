#include "toolkit/text_bytes.h"

#include <algorithm>
#include <cstring>

namespace tk {

// The pieces of a file read last; copies of its TextBytes share them.
struct TextBytes::File {
    struct Piece {
        std::uint64_t index = 0;
        std::shared_ptr<std::string> bytes;
        std::uint64_t used = 0;
    };
    std::wstring path;
    FileStamp stamp;
    std::vector<Piece> pieces;
    std::uint64_t clock = 0;
    bool changed = false;

    // The piece, read when it is not kept; size is the length of the whole as known.
    const Piece& piece(std::uint64_t index, std::uint64_t size) {
        ++clock;
        const std::uint64_t offset = index * kPiece;
        const auto expected = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - offset));
        for (Piece& p : pieces)
            if (p.index == index && p.bytes->size() >= expected) {
                p.used = clock;
                return p;
            }
        // The piece used least recently makes room, its memory reused when no span holds it.
        Piece* slot = nullptr;
        std::shared_ptr<std::string> buffer;
        if (pieces.size() >= kPiecesKept) {
            slot = &*std::min_element(pieces.begin(), pieces.end(),
                                      [](const Piece& a, const Piece& b) { return a.used < b.used; });
            if (slot->bytes.use_count() == 1) buffer = std::move(slot->bytes);
        }
        if (!buffer) buffer = std::make_shared<std::string>();
        FileStamp now;
        if (!readFilePartInto(path, offset, expected, *buffer, nullptr, &now)) buffer->clear();
        if (buffer->size() < expected || !now.sameFile(stamp)) changed = true;
        buffer->resize(expected, '\0');
        Piece read{index, std::move(buffer), clock};
        if (!slot) {
            pieces.push_back(std::move(read));
            return pieces.back();
        }
        *slot = std::move(read);
        return *slot;
    }
};

TextBytes::TextBytes(std::string bytes) : own_(std::make_shared<std::string>(std::move(bytes))) {
    memory_ = *own_;
    size_ = memory_.size();
    noteEnds();
}

TextBytes::TextBytes(std::string_view bytes, std::shared_ptr<const void> owner)
    : owner_(std::move(owner)), memory_(bytes), size_(bytes.size()) {
    noteEnds();
}

std::optional<TextBytes> TextBytes::open(const std::wstring& path, std::wstring* failure) {
    auto file = std::make_shared<File>();
    file->path = path;
    auto first = std::make_shared<std::string>();
    if (!readFilePartInto(path, 0, kPiece, *first, failure, &file->stamp)) return std::nullopt;
    TextBytes bytes;
    bytes.own_.reset();
    bytes.memory_ = {};
    // A file that shrank between asking for its size and reading it is as long as what was read.
    bytes.size_ = first->size() < kPiece ? first->size() : std::max<std::uint64_t>(file->stamp.size, kPiece);
    file->stamp.size = bytes.size_;
    file->pieces.push_back({0, std::move(first), 0});
    bytes.file_ = std::move(file);
    bytes.noteEnds();
    return bytes;
}

void TextBytes::noteEnds() {
    const std::size_t ends = static_cast<std::size_t>(std::min<std::uint64_t>(size_, kEnds));
    head_ = std::string(read(0, ends).view());
    tail_ = std::string(read(size_ - ends, ends).view());
}

ByteSpan TextBytes::readSome(std::uint64_t offset, std::size_t maxLength) const {
    if (offset >= size_) return {};
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(maxLength, size_ - offset));
    if (!file_) return {own_, memory_.substr(static_cast<std::size_t>(offset), length)};
    const File::Piece& piece = file_->piece(offset / kPiece, size_);
    const std::size_t within = static_cast<std::size_t>(offset % kPiece);
    return {piece.bytes, std::string_view(*piece.bytes).substr(within, std::min(length, kPiece - within))};
}

ByteSpan TextBytes::read(std::uint64_t offset, std::size_t length,
                         std::shared_ptr<std::string>* scratch) const {
    ByteSpan first = readSome(offset, length);
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(length, offset < size_ ? size_ - offset : 0));
    if (first.size() == wanted) return first;
    // Scratch memory is written again only when no earlier span still shows it.
    std::shared_ptr<std::string> joined =
        scratch && *scratch && scratch->use_count() == 1 ? *scratch : std::make_shared<std::string>();
    if (scratch) *scratch = joined;
    joined->clear();
    joined->reserve(wanted);
    joined->append(first.view());
    while (joined->size() < wanted)
        joined->append(readSome(offset + joined->size(), wanted - joined->size()).view());
    const std::string_view view = *joined;
    return {std::move(joined), view};
}

unsigned char TextBytes::at(std::uint64_t offset) const {
    if (!file_) return static_cast<unsigned char>(memory_[static_cast<std::size_t>(offset)]);
    const File::Piece& piece = file_->piece(offset / kPiece, size_);
    return static_cast<unsigned char>((*piece.bytes)[static_cast<std::size_t>(offset % kPiece)]);
}

bool TextBytes::changed() const {
    return file_ && file_->changed;
}

const FileStamp& TextBytes::stamp() const {
    static const FileStamp none;
    return file_ ? file_->stamp : none;
}

// Grows in place (amortized) while nothing else shares the bytes; a copy of this
// text, or a span still held, keeps what it had.
void TextBytes::append(std::string_view more) {
    if (!own_ || own_.use_count() > 1) {
        auto copy = std::make_shared<std::string>();
        copy->reserve(memory_.size() + more.size() + memory_.size() / 4);
        copy->append(memory_);
        own_ = std::move(copy);
        owner_.reset();
    }
    own_->append(more);
    memory_ = *own_;
    size_ = memory_.size();
    noteEnds();
}

// The piece that held the old end was cut short there: it is read again when asked for.
void TextBytes::grow(const FileStamp& now, std::string tail) {
    std::erase_if(file_->pieces, [&](const File::Piece& p) { return (p.index + 1) * kPiece > size_; });
    size_ = now.size;
    file_->stamp = now;
    tail_ = std::move(tail);
}

}  // namespace tk
