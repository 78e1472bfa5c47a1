// Stretches of the demo and the chunks a farm render cuts them into.
#include <gtest/gtest.h>

#include "app/pieces.h"
#include "timeline/stretch.h"

namespace {

// Chunks tile the stretch in order, start on key frames and differ by one interval at most.
TEST(Stretch, ChunksTileOnKeyFrames)
{
    for (Stretch s : {Stretch{}, Stretch{150, 250}, Stretch{7, 8}, Stretch{3, 3 + 12 * 5 + 1}}) {
        for (uint32_t n = 1; n <= s.maxChunks(); n += (n < 20 ? 1 : 97)) {
            uint32_t next = s.first, shortest = s.frames(), longest = 0;
            for (uint32_t i = 0; i < n; ++i) {
                const Stretch c = s.chunk(i, n);
                ASSERT_EQ(c.first, next) << s.first << "-" << s.end << " " << i << "/" << n;
                ASSERT_GT(c.end, c.first);
                ASSERT_EQ((c.first - s.first) % GOP_FRAMES, 0u);
                shortest = std::min(shortest, c.frames());
                longest = std::max(longest, c.frames());
                next = c.end;
            }
            EXPECT_EQ(next, s.end);
            EXPECT_LE(longest - shortest, GOP_FRAMES) << n;
        }
    }
    EXPECT_EQ(Stretch{}.maxChunks(), 350u);
    EXPECT_EQ((Stretch{0, 13}.maxChunks()), 2u);
}

TEST(Piece, RecordRoundTripsAndRefusesOthers)
{
    const Piece p{"1.0.0", ".mp4", 800, 340, 7, 4, Stretch{150, 4200}, 3, 16};
    EXPECT_EQ(p.text(), "velmo-piece version=1.0.0 format=.mp4 size=800x340 seed=7 antialias=4 frames=150-4200 chunk=3/16");
    const auto back = Piece::parse(p.text());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text(), p.text());
    EXPECT_TRUE(back->sameRender(p));
    EXPECT_EQ(back->stretch(), p.render.chunk(3, 16));

    Piece other = p;
    other.seed = 8;
    EXPECT_FALSE(other.sameRender(p));
    other = p;
    other.index = 4;
    EXPECT_TRUE(other.sameRender(p));

    for (const char* bad : {"", "velmo-piece", "a comment",
                            "velmo-piece version=1.0.0 format=.mp4 size=800x340 seed=7 antialias=4 frames=150-4200 chunk=16/16",
                            "velmo-piece version=1.0.0 format=.mp4 size=800x340 seed=7 antialias=4 frames=150-150 chunk=0/1",
                            "velmo-piece version=1.0.0 format=.mp4 size=800x340 seed=7 antialias=4 frames=0-12 chunk=0/2",
                            "velmo-piece version=1.0.0 format=.mp4 size=800x340 seed=7 antialias=4 frames=0-4200 chunk=0/2 x"})
        EXPECT_FALSE(Piece::parse(bad)) << bad;
}

TEST(Piece, NamesSortInOrder)
{
    EXPECT_EQ(pieceName("out.mp4", 3, 16), "out.mp4.piece-03-of-16");
    EXPECT_EQ(pieceName("a/v.mkv", 0, 1), "a/v.mkv.piece-0-of-1");
    EXPECT_LT(pieceName("v", 9, 100), pieceName("v", 10, 100));
}

} // namespace
