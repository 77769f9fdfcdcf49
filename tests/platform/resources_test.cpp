// The resource registry: names in any case, numbers by their low 16 bits, types kept apart,
// bytes handed out in place, and no application instance.
#include "platform/core/resources.h"

#include <gtest/gtest.h>

TEST(Resources, FindLoadAndLockInPlace) {
    platform::ResourceModule module;
    const char bytes[] = "abcdef";
    module.add("Face", RT_BITMAP, bytes, 6);
    module.add(301u, RT_BITMAP, bytes + 1, 5);
    module.add("FACE", MAKEINTRESOURCEA(14), bytes + 2, 4);

    EXPECT_EQ(FindResourceA(nullptr, "FACE", RT_BITMAP), nullptr) << "no instance, nothing found";
    const HINSTANCE previous = platform::setApplicationInstance(&module);
    EXPECT_EQ(AfxGetInstanceHandle(), &module);

    HRSRC face = FindResourceA(&module, "face", RT_BITMAP);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(LockResource(LoadResource(&module, face)), static_cast<const void*>(bytes));
    EXPECT_EQ(SizeofResource(&module, face), 6u);
    HRSRC number = FindResourceA(&module, MAKEINTRESOURCEA(0x20000 + 301), RT_BITMAP);
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(LockResource(LoadResource(&module, number)), static_cast<const void*>(bytes + 1));
    EXPECT_EQ(
        LockResource(LoadResource(&module, FindResourceA(&module, "FACE", MAKEINTRESOURCEA(14)))),
        static_cast<const void*>(bytes + 2));
    EXPECT_EQ(FindResourceA(&module, "OTHER", RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(&module, MAKEINTRESOURCEA(302), RT_BITMAP), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(LoadResource(nullptr, face), nullptr);
    platform::setApplicationInstance(previous);
}
