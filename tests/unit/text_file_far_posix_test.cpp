// Offsets beyond 2 and 4 GB: the file's bytes are a private anonymous mapping,
// untouched pages reading as zeros, so almost nothing is written or kept.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "toolkit/text_file.h"

namespace tk {
namespace {

TEST(TextFile, LinesAroundTwoAndFourGigabytes) {
    constexpr std::uint64_t kSize = (4ull << 30) + (1 << 20);
    void* memory =
        mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    const std::shared_ptr<void> mapping(memory, [](void* m) { munmap(m, kSize); });
    char* bytes = static_cast<char*>(memory);
    // A marker line ends just before, at and just after each boundary.
    const std::uint64_t breaks[] = {(2ull << 30) - 1, 2ull << 30, (2ull << 30) + 1,
                                    (4ull << 30) - 1, 4ull << 30, (4ull << 30) + 1};
    for (std::uint64_t at : breaks) bytes[at] = '\n';
    bytes[(4ull << 30) + 2] = 'Z';

    const TextFile file(std::string_view(bytes, kSize), mapping);
    ASSERT_EQ(file.lineCount(), 7u);
    EXPECT_EQ(file.encoding(), TextEncoding::Ansi);
    EXPECT_EQ(file.longestLine(), (2ull << 30) - 1 + 1);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(file.lineEnd(i), breaks[i]);
        EXPECT_EQ(file.lineStart(i + 1), breaks[i] + 1);
        EXPECT_EQ(file.lineOf(breaks[i]), i);
        EXPECT_EQ(file.lineOf(breaks[i] + 1), i + 1);
    }
    EXPECT_EQ(file.lineEnd(6), kSize);
    EXPECT_EQ(file.decode(file.lineStart(6), file.lineStart(6) + 1), L"Z");
    EXPECT_EQ(file.decode(breaks[0], breaks[2] + 2), std::wstring(L"\n\n\n\0", 4));
}

}  // namespace
}  // namespace tk
