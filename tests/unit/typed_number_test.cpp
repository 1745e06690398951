#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "toolkit/typed_number.h"

namespace lorvane::test {
namespace {

TEST(TypedWholeNumber, ReadsHalfAndFullWidthDigitsAndRefusesTheRest) {
    struct Case {
        std::wstring text;
        std::optional<long long> number;
    };
    const Case cases[] = {
        {L"7", 7},
        {L"07", 7},
        {L"０７", 7},                    // full-width, as the input method types them
        {L"２３", 23},
        {L"　５９　", 59},              // ideographic spaces around
        {L" \t12 ", 12},
        {L"0７", 7},                    // mixed widths
        {L"-5", -5},
        {L"+5", 5},
        {L"999999999999999999", 999999999999999999},
        {L"", std::nullopt},
        {L"　", std::nullopt},
        {L"-", std::nullopt},
        {L"7時", std::nullopt},
        {L"1.5", std::nullopt},
        {L"１ ２", std::nullopt},       // a blank inside
        {L"１２a", std::nullopt},
        {L"－５", std::nullopt},        // a full-width minus is no sign
        {L"٣", std::nullopt},           // digits of other scripts are not ours
        {L"1000000000000000000", std::nullopt},  // more than 18 digits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(tk::typedWholeNumber(c.text), c.number);
    }
}

}  // namespace
}  // namespace lorvane::test
