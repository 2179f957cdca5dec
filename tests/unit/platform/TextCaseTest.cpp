#include <gtest/gtest.h>

#include "platform/TextCase.h"

using platform::EqualsNoCase;
using platform::LowerCase;
using platform::WildcardMatch;

TEST(TextCase, LowerCasesAsciiAndDecodedLettersButKeepsBrokenBytes) {
    EXPECT_EQ(LowerCase("DE_Dust2.BSP"), "de_dust2.bsp");
    EXPECT_EQ(LowerCase("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");                // ÉTÉ -> été
    EXPECT_EQ(LowerCase("\xD0\x9A\xD0\x90\xD0\xA0"), "\xD0\xBA\xD0\xB0\xD1\x80");  // КАР
    EXPECT_EQ(LowerCase("A\xFF"
                        "B\xC3"),
              "a\xFF"
              "b\xC3");  // invalid UTF-8 kept byte for byte
    EXPECT_TRUE(EqualsNoCase("Sound", "sOUND"));
    EXPECT_TRUE(EqualsNoCase("\xC3\x84pfel", "\xC3\xA4PFEL"));
    EXPECT_FALSE(EqualsNoCase("sound", "sounds"));
    EXPECT_FALSE(EqualsNoCase("a\xFF", "a\xFE"));
}

TEST(TextCase, WildcardsMatchAsFolderListingsDo) {
    EXPECT_TRUE(WildcardMatch("*.*", "README"));  // "*.*" is everything, dots or not
    EXPECT_TRUE(WildcardMatch("*.*", ".."));
    EXPECT_TRUE(WildcardMatch("*.bsp", "DE_X.BSP"));
    EXPECT_TRUE(WildcardMatch("*.bsp", "a.b.bsp"));
    EXPECT_FALSE(WildcardMatch("*.bsp", "de_x.bsp.bak"));
    EXPECT_FALSE(WildcardMatch("*.bsp", "."));
    EXPECT_TRUE(WildcardMatch("gign.mdl", "GIGN.mdl"));  // an exact name, case ignored
    EXPECT_FALSE(WildcardMatch("gign.mdl", "gign.mdl2"));
    EXPECT_TRUE(WildcardMatch("de_?.b*p", "de_x.bsp"));
    EXPECT_FALSE(WildcardMatch("de_?.bsp", "de_xx.bsp"));
    EXPECT_TRUE(WildcardMatch("*a*b*c", "xxaxxbxxbc"));  // backtracking over stars
}
