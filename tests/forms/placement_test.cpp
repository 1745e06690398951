#include "form_test_support.h"
#include "placement/placement.h"

namespace lorvane::test {
namespace {

struct Placement {
    Int16 mode;
    float w, h;
    float top, left;
};

// A 1024 x 768 screen at 15 twips a pixel: 15360 x 11520 twips.
const Placement placements[] = {
    {1, 7500, 5000, 3260, 3930},  // centred
    {2, 7500, 5000, 0, 0},
    {3, 7500, 5000, 0, 7860},
    {4, 7500, 5000, 6520, 0},
    {5, 7500, 5000, 6520, 7860},
    {1, 20000, 12000, 0, 0},        // larger than the screen: both edges kept on it
    {5, 7500, 12000, 0, 7860},      // taller only: top corrected, left stays W - w
    {5, 20000, 5000, 6520, 0},
    {1, 15360, 11520, 0, 0},        // exactly the screen: nothing to correct
    {1, 7501, 5001, 3259.5f, 3929.5f},  // halves in floating point
};

class SubMoveForm : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        tk::testing::overrides().screenWidthTwips = 15360;
        tk::testing::overrides().screenHeightTwips = 11520;
    }
    // A window of this outer size, away from every place subMoveForm puts one.
    static void sized(tk::Form& window, float w, float h) {
        window.Width(w);
        window.Height(h);
        window.Left(-1);
        window.Top(-1);
    }
};

TEST_F(SubMoveForm, PlacesByModeThenCorrectsOversizedWindows) {
    for (const Placement& p : placements) {
        SCOPED_TRACE(::testing::Message() << "mode " << p.mode << ", " << p.w << " x " << p.h);
        tk::Form window;
        sized(window, p.w, p.h);
        subMoveForm(window, p.mode);
        EXPECT_FLOAT_EQ(window.Top(), p.top);
        EXPECT_FLOAT_EQ(window.Left(), p.left);
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(SubMoveForm, OtherModesShowTheArgumentErrorAndMoveNothing) {
    for (Int16 mode : {Int16(0), Int16(6), Int16(-1), Int16(7), Int16(-32768)}) {
        SCOPED_TRACE(mode);
        tk::testing::clearMessages();
        tk::Form window;
        sized(window, 7500, 5000);
        subMoveForm(window, mode);
        EXPECT_FLOAT_EQ(window.Top(), -1);
        EXPECT_FLOAT_EQ(window.Left(), -1);
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, L"引数エラー\r\n\r\n関数名：subMoveForm\r\n引数名：prmMode\r\n値\u3000\u3000\uFF1A" +
                                          std::to_wstring(mode));
        EXPECT_EQ(messages()[0].style, 0);
    }
}

}  // namespace
}  // namespace lorvane::test
