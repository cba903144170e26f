#include "launch/jni_text.h"

#include <gtest/gtest.h>

TEST(JniText, UnitsOfJavaStringsBothWays) {
    // Latin-1, BMP and a character above U+FFFF (a surrogate pair in Java).
    std::wstring text = L"Caf\u00e9 \u20ac ";
    text += static_cast<wchar_t>(sizeof(wchar_t) == 4 ? 0x1D11E : 0xD834);
    if (sizeof(wchar_t) == 2) text += static_cast<wchar_t>(0xDD1E);
    std::vector<jchar> units = toJchars(text);
    EXPECT_EQ(units, (std::vector<jchar>{'C', 'a', 'f', 0xE9, ' ', 0x20AC, ' ', 0xD834, 0xDD1E}));
    EXPECT_EQ(fromJchars(units.data(), static_cast<jsize>(units.size())), text);

    // A lone surrogate stays a unit of its own, also at the end.
    const jchar lone[] = {0xD834, 'x', 0xDD1E, 0xD834};
    std::wstring back = fromJchars(lone, 4);
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(static_cast<unsigned>(back[0]), 0xD834u);
    EXPECT_EQ(toJchars(back), (std::vector<jchar>{0xD834, 'x', 0xDD1E, 0xD834}));
    EXPECT_TRUE(toJchars(L"").empty());
}
