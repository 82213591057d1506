// The area list and the map text. That ddrescue and ddrescuelog read Kolm's maps
// is checked against the programs themselves (RescueLoopTest).
#include "jobs/RescueMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Shape(const RescueAreas& areas) {
    std::string shape;
    for (const RescueArea& area : areas.All())
        shape += std::to_string(area.pos) + "+" + std::to_string(area.size) + area.status + " ";
    return shape;
}

// Marks split the areas they fall in and join neighbours of one status.
TEST(RescueAreasTest, MarksSplitAndJoinAreas) {
    struct Case {
        const char* name;
        std::vector<RescueArea> marks;
        const char* shape;
    };
    const Case cases[] = {
        {"nothing marked", {}, "0+4096? "},
        {"the middle", {{1024, 512, '-'}}, "0+1024? 1024+512- 1536+2560? "},
        {"the first and the last byte", {{0, 1, '+'}, {4095, 1, '+'}}, "0+1+ 1+4094? 4095+1+ "},
        {"neighbours join",
         {{0, 512, '+'}, {1024, 512, '+'}, {512, 512, '+'}},
         "0+1536+ 1536+2560? "},
        {"over several areas",
         {{512, 512, '-'}, {2048, 512, '*'}, {256, 3000, '/'}},
         "0+256? 256+3000/ 3256+840? "},
        {"the whole range", {{1024, 512, '-'}, {0, 4096, '+'}}, "0+4096+ "},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        RescueAreas areas(0, 4096);
        for (const RescueArea& mark : test.marks)
            areas.Mark(mark.pos, mark.size, mark.status);
        EXPECT_EQ(Shape(areas), test.shape);
    }
    RescueAreas areas(0, 4096);
    areas.Mark(1024, 512, '-');
    areas.Mark(3072, 1024, '-');
    EXPECT_EQ(areas.Bytes('-'), 1536);
    EXPECT_EQ(areas.Count('-'), 2);
    const auto next = areas.Next(1200, '-');
    ASSERT_TRUE(next);
    EXPECT_EQ(next->pos, 1200);
    EXPECT_EQ(next->size, 336);
    EXPECT_FALSE(areas.Next(0, '*'));
}

// A map as ddrescue 1.27 writes it, and one of a ddrescue before 1.20 without
// the pass, are read; Kolm's own text reads back as it was.
TEST(RescueMapTest, ReadsDdrescueMapsAndItsOwn) {
    const char* written = "# Mapfile. Created by GNU ddrescue version 1.27\n"
                          "# Command line: ddrescue -d /dev/loop0 a.img a.img.map\n"
                          "# current_pos  current_status  current_pass\n"
                          "0x00010000     /               1\n"
                          "#      pos        size  status\n"
                          "0x00000000  0x00010000  +\n"
                          "0x00010000  0x00000200  -\n"
                          "0x00010200  0x000EFE00  ?\n";
    RescueMap map;
    ASSERT_TRUE(ParseMap(written, map));
    EXPECT_EQ(map.position, 0x10000);
    EXPECT_EQ(map.phase, '/');
    EXPECT_EQ(Shape(map.areas), "0+65536+ 65536+512- 66048+982528? ");
    EXPECT_TRUE(MapFits(map, 1 << 20));
    EXPECT_FALSE(MapFits(map, (1 << 20) + 512));

    ASSERT_TRUE(ParseMap("0x0 +\n0x0 0x200 +\n", map));
    EXPECT_EQ(map.pass, 1);

    RescueMap own;
    own.areas = RescueAreas(0, 1 << 20);
    own.areas.Mark(4096, 512, '-');
    own.position = 4096;
    own.phase = '*';
    own.pass = 2;
    ASSERT_TRUE(ParseMap(MapText(own).str(), map));
    EXPECT_EQ(Shape(map.areas), Shape(own.areas));
    EXPECT_EQ(map.position, 4096);
    EXPECT_EQ(map.phase, '*');
    EXPECT_EQ(map.pass, 2);
}

TEST(RescueMapTest, RefusesWhatIsNoMap) {
    const char* refused[] = {
        "",
        "# only a comment\n",
        "0x0 + 1\n",                             // no area
        "0x0 + 1\n0x0 0x200 +\n0x400 0x200 +\n", // a gap
        "0x0 + 1\n0x0 0x200 x\n",                // no status of the map
        "0x0 + 1\n0x0 0x200\n",                  // no status
        "0x0 + 1\n0x0 0x0 +\n",                  // an empty area
        "0x0 + 1\n0x0 0x2g0 +\n",                // no number
        "0x0 q 1\n0x0 0x200 +\n",                // no phase
    };
    for (const char* text : refused) {
        RescueMap map;
        EXPECT_FALSE(ParseMap(text, map)) << text;
    }
}

} // namespace
