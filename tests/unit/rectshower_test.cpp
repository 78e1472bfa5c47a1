// The shower's rectangles against values read straight from the random tables: nine
// next(20) and one next(256) per rectangle, in a fixed order, from the shared cursor.
#include "scene/rectshower.h"

#include <memory>

#include <gtest/gtest.h>

#include "math/precalcrandom.h"

namespace {

class RectShowerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tables = std::make_unique<PrecalcRandom>();
        saved = precalcRandom;
        precalcRandom = tables.get();
    }
    void TearDown() override { precalcRandom = saved; }

    // An independent reader of the same tables: position p of a table, wrapping as the
    // cursor does.
    uint32_t v20(uint32_t p) const { return tables->values20[p % PrecalcRandom::TABLE_SIZE]; }
    uint32_t v256(uint32_t p) const { return tables->values256[p % PrecalcRandom::TABLE_SIZE]; }

    std::unique_ptr<PrecalcRandom> tables;
    PrecalcRandom* saved = nullptr;
};

}  // namespace

TEST_F(RectShowerTest, EachRectangleTakesTenValuesInOrder)
{
    // Start near the end of the tables so the draws wrap round in the middle.
    const uint32_t start = PrecalcRandom::TABLE_SIZE - 13;
    tables->cursor = start;
    ObjectList scene;
    RectShower shower(scene, 3);

    ASSERT_EQ(shower.rectangles.size(), 3u);
    EXPECT_EQ(shower.count, 3u);
    EXPECT_TRUE(scene.empty());
    EXPECT_EQ(tables->cursor, (start + 30) % PrecalcRandom::TABLE_SIZE);

    for (uint32_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const Rectangle& r = *shower.rectangles[k];
        const uint32_t p = start + 10 * k;
        EXPECT_FLOAT_EQ(r.position.x(), v20(p) * 2.0f);
        EXPECT_FLOAT_EQ(r.position.y(), -20.0f + v20(p + 1) / 5.0f);
        EXPECT_FLOAT_EQ(r.position.z(), v20(p + 2) * 2.0f);
        EXPECT_EQ(r.rotation.x(), static_cast<float>(v20(p + 3)));
        EXPECT_EQ(r.rotation.y(), static_cast<float>(v20(p + 4) + 80));
        EXPECT_EQ(r.rotation.z(), static_cast<float>(v20(p + 5)));
        EXPECT_FLOAT_EQ(r.rotationSpeed.x(), v20(p + 6) / 10.0f);
        EXPECT_FLOAT_EQ(r.rotationSpeed.y(), v20(p + 7) / 10.0f);
        EXPECT_FLOAT_EQ(r.rotationSpeed.z(), v20(p + 8) / 10.0f);
        EXPECT_EQ(r.path.stepsPerSegment, static_cast<int32_t>(v256(p + 9) * 100 + 10));
    }
}

TEST_F(RectShowerTest, RectanglesAreBlendedBlackSquaresOnRelativeLoops)
{
    ObjectList scene;
    RectShower shower(scene, 2);
    for (const auto& r : shower.rectangles) {
        ASSERT_EQ(r->meshes.size(), 1u);
        const Mesh& m = *r->meshes[0];
        EXPECT_EQ(m.left(), -1.0f);
        EXPECT_EQ(m.down(), 1.0f);
        EXPECT_EQ(m.r(), 0.0f);
        EXPECT_EQ(m.g(), 0.0f);
        EXPECT_EQ(m.b(), 0.0f);
        EXPECT_EQ(m.a(), 0.4f);
        EXPECT_TRUE(m.isBlended());
        EXPECT_TRUE(r->motionBlur);

        const BSpline& path = r->path;
        EXPECT_TRUE(path.loop);
        EXPECT_TRUE(path.relative);
        EXPECT_TRUE(path.active);
        EXPECT_EQ(path.startingPoint[0], r->position.x());
        EXPECT_EQ(path.startingPoint[1], r->position.y());
        EXPECT_EQ(path.startingPoint[2], r->position.z());
        const float keys[5][3] = {{0, 0, 0}, {0, 30, 0}, {0, 20, 50}, {0, 20, -50}, {0, 0, 0}};
        ASSERT_EQ(path.keyPoints.size(), 5u);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(path.keyPoints[k].x(), keys[k][0]) << k;
            EXPECT_EQ(path.keyPoints[k].y(), keys[k][1]) << k;
            EXPECT_EQ(path.keyPoints[k].z(), keys[k][2]) << k;
        }
    }
}

TEST_F(RectShowerTest, EmptyShowerConsumesNothingAndDoesNothing)
{
    tables->cursor = 77;
    Object3D other;
    ObjectList scene{&other};
    RectShower shower(scene, 0);
    EXPECT_EQ(tables->cursor, 77u);
    shower.append();
    shower.remove();
    shower.clear();
    EXPECT_EQ(scene, (ObjectList{&other}));
}

TEST_F(RectShowerTest, SuccessiveShowersTakeSuccessiveValues)
{
    tables->cursor = 0;
    ObjectList scene;
    RectShower first(scene, 1);
    RectShower second(scene, 1);
    EXPECT_EQ(tables->cursor, 20u);
    EXPECT_EQ(second.rectangles[0]->path.stepsPerSegment, static_cast<int32_t>(v256(19) * 100 + 10));
    EXPECT_FLOAT_EQ(second.rectangles[0]->position.x(), v20(10) * 2.0f);
}

TEST_F(RectShowerTest, AppendRemoveAndClear)
{
    Object3D before, after;
    ObjectList scene{&before};
    RectShower shower(scene, 3);
    const ObjectList own{shower.rectangles[0].get(), shower.rectangles[1].get(), shower.rectangles[2].get()};

    shower.remove();  // nothing appended yet
    EXPECT_EQ(scene, (ObjectList{&before}));

    shower.append();
    scene.push_back(&after);
    EXPECT_EQ(scene, (ObjectList{&before, own[0], own[1], own[2], &after}));

    // Twice in: one remove takes out the first copy of each only.
    shower.append();
    shower.remove();
    EXPECT_EQ(scene, (ObjectList{&before, &after, own[0], own[1], own[2]}));
    shower.remove();
    EXPECT_EQ(scene, (ObjectList{&before, &after}));

    shower.append();
    shower.clear();
    EXPECT_EQ(scene, (ObjectList{&before, &after}));
    EXPECT_TRUE(shower.rectangles.empty());
    shower.append();
    EXPECT_EQ(scene, (ObjectList{&before, &after}));
}
