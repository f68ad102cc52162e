#include <gtest/gtest.h>

#include "sys/Lookalikenames.h"

// Pairs that some file system takes for one name meet in one key; names that no file system
// folds together stay apart.
TEST(LookAlikeNames, NamesThatAFileSystemMayFoldShareAKey)
{
    const std::pair<const char*, const char*> alike[] = {
        {"Photos/A.TXT", "photos/a.txt"},
        {"ΦΩΤΟΓΡΑΦΙΕΣ.jpg", "φωτογραφιες.jpg"},  // final sigma
        {"φωτογραφιεσ.jpg", "φωτογραφιες.jpg"},
        {"ı.txt", "I.txt"},               // dotless i, upper-cased by FAT's table
        {"caf\xc3\xa9", "cafe\xcc\x81"},  // composed and decomposed é
        {"\xe2\x84\xaa.txt", "k.txt"},    // Kelvin sign
        {"Stra\xc3\x9f"
         "e",
         "STRASSE"},
    };
    for (const auto& [a, b] : alike)
        EXPECT_EQ(LookAlikeKey(a), LookAlikeKey(b)) << a << " / " << b;

    const std::pair<const char*, const char*> apart[] = {
        {"a.txt", "b.txt"}, {"\xff.txt", "\xfe.txt"}, {"\xff", "\xef\xbf\xbd"}, {"é", "e"}};
    for (const auto& [a, b] : apart)
        EXPECT_NE(LookAlikeKey(a), LookAlikeKey(b)) << a << " / " << b;
}
