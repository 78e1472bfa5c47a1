// The scene script over the real scene: which event fires for a position sequence, and
// what the scene list holds after each event.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "timeline/scene.h"
#include "app/window.h"
#include "core/perlinnoise.h"
#include "math/precalcrandom.h"
#include "timeline/scenescript.h"

namespace {

constexpr int64_t S = 1000000000;   // ns per second

class SceneScriptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        createGLWindow("scene script test", 800, 340, 16, false);
        initGLstuff();
        tables = new PrecalcRandom();
        precalcRandom = tables;
        reseed(2);
    }
    static void TearDownTestSuite()
    {
        delete tables;
        precalcRandom = nullptr;
        SDL_Quit();
    }

    void SetUp() override
    {
        scene = std::make_unique<Scene>([](float) {});
        script = std::make_unique<SceneScript>(*scene);
    }

    // The scene list by name; the 500 shower rectangles collapse into one "shower" entry.
    std::vector<std::string> sceneList() const
    {
        std::map<const Object3D*, std::string> names = {
            {scene->movingBall.get(), "movingBall"},   {scene->field.get(), "field"},
            {scene->byzantium0.get(), "byzantium0"},   {scene->byzantium1.get(), "byzantium1"},
            {scene->byzantium2.get(), "byzantium2"},   {scene->blackRect.get(), "blackRect"},
            {scene->movingField1.get(), "movingField1"}, {scene->movingField2.get(), "movingField2"},
            {scene->button1.get(), "button1"},         {scene->button2.get(), "button2"},
            {scene->button3.get(), "button3"},         {scene->button4.get(), "button4"},
            {scene->button5.get(), "button5"},         {scene->rect1.get(), "rect1"},
            {scene->rect2.get(), "rect2"},             {scene->rect3.get(), "rect3"},
            {scene->rect4.get(), "rect4"},
        };
        for (const auto& r : scene->rectShower->rectangles) names[r.get()] = "shower";
        std::vector<std::string> list;
        for (const Object3D* o : objects) {
            auto it = names.find(o);
            std::string name = it == names.end() ? "unknown" : it->second;
            if (name == "shower" && !list.empty() && list.back() == "shower") continue;
            list.push_back(name);
        }
        return list;
    }

    int eventIndex(const std::string& name) const
    {
        for (size_t i = 0; i < SceneScript::events.size(); ++i)
            if (name == SceneScript::events[i].name) return int(i);
        return -2;
    }

    static PrecalcRandom* tables;
    std::unique_ptr<Scene> scene;
    std::unique_ptr<SceneScript> script;
};

PrecalcRandom* SceneScriptTest::tables = nullptr;

using List = std::vector<std::string>;

TEST_F(SceneScriptTest, EveryEventInOrderLeavesTheSceneOfTheTimingSheet)
{
    struct Step {
        const char* event;
        double seconds;   // a position just past the event
        List scene;
    };
    const List buttons = {"button1", "button2", "button3", "button4", "button5"};
    auto with = [](List a, const List& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Step steps[] = {
        {"done01", 6.1, {"byzantium1"}},
        {"done02", 12.1, {"byzantium1"}},
        {"done03", 14.1, {"byzantium1"}},
        {"done4", 16.1, {"byzantium0", "rect1"}},
        {"done5", 20.1, {"byzantium0", "rect1"}},
        {"done6", 24.1, {"field", "byzantium0", "button1"}},
        {"done7", 25.1, {"field", "byzantium0", "button1", "button2"}},
        {"done8", 26.1, {"field", "byzantium0", "button1", "button2", "button3"}},
        {"done9", 27.1, {"field", "byzantium0", "button1", "button2", "button3", "button4"}},
        {"done10", 28.1, with({"field", "byzantium0"}, buttons)},
        {"done11", 29.1, with({"field", "byzantium0"}, buttons)},
        {"done12", 32.1, with({"field"}, buttons)},
        {"done14", 36.1, with(with({"field"}, buttons), {"byzantium0"})},
        {"done15", 49.1, {"movingField1", "rect2", "byzantium2"}},
        {"done16", 61.1, {"movingField1", "rect2", "byzantium2", "rect3", "rect4"}},
        {"done17", 73.1, {"movingField2", "movingField1", "rect2", "byzantium2", "rect3", "rect4"}},
        {"done17_5", 80.1, {"movingField2", "movingField1", "rect2", "byzantium2", "rect3", "rect4"}},
        {"done17_6", 87.1, {"movingField2", "movingField1", "rect2", "byzantium2", "rect3", "rect4"}},
        {"done18", 98.1, {"movingField2", "movingField1", "byzantium2"}},
        {"done19", 105.1, {"movingField2"}},
        {"done20", 111.1, {"movingBall", "byzantium2"}},
        {"done21", 121.1, {"movingBall"}},
        {"done22", 124.1, {"movingBall", "shower"}},
        {"done23", 132.1, {"movingBall", "shower"}},
        {"done24", 137.1, {"movingBall", "shower", "rect2"}},
        {"done25", 145.1, {"shower", "byzantium1"}},
        {"done26", 148.1, {"byzantium1", "byzantium0"}},
    };
    EXPECT_EQ(sceneList(), List{"byzantium1"});
    for (const Step& step : steps) {
        const int64_t p = int64_t(step.seconds * S);
        EXPECT_EQ(script->run(p), eventIndex(step.event)) << step.event;
        EXPECT_EQ(script->run(p), -1) << step.event << " fires once";
        EXPECT_EQ(sceneList(), step.scene) << "after " << step.event;
    }
    EXPECT_EQ(objects.size(), 2u) << "the shower left the scene whole";
    EXPECT_EQ(script->run(170 * S), -1) << "nothing follows the last event";
}

TEST_F(SceneScriptTest, FirstEventNeedsThePositionStrictlyPastSixSeconds)
{
    EXPECT_EQ(script->run(0), -1);
    EXPECT_EQ(script->run(6 * S), -1);
    EXPECT_EQ(script->run(6 * S + 1), eventIndex("done01"));
    ASSERT_TRUE(scene->button1);
    EXPECT_EQ(scene->button1->rotation.y(), 90.0f);
    EXPECT_EQ(scene->button1->rotationSpeed.x(), 250.6f);
    EXPECT_EQ(scene->colorFilter->meshes[0]->b(), 0.2f);
}

TEST_F(SceneScriptTest, JumpOverEventsFiresOnlyTheLastOneAndBuildsWhatItNeeds)
{
    EXPECT_EQ(script->run(11 * S), eventIndex("done01"));
    EXPECT_EQ(script->run(int64_t(16.5 * S)), eventIndex("done4"));
    EXPECT_FALSE(script->fired(eventIndex("done02")));
    EXPECT_FALSE(script->fired(eventIndex("done03")));
    EXPECT_EQ(sceneList(), (List{"byzantium0", "rect1"}));
    // rect1 as the skipped event would have made it, then moved by this one.
    ASSERT_TRUE(scene->rect1);
    EXPECT_EQ(scene->rect1->meshes[0]->texture(), scene->logoTexture.get());
    EXPECT_EQ(scene->rect1->meshes[0]->r(), 0.6f);
    EXPECT_EQ(scene->rect1->position.x(), 5.0f);
    EXPECT_EQ(scene->rect1->position.y(), -3.5f);

    // The seek key jumps far ahead: the rectangles of later scenes are built on demand.
    EXPECT_EQ(script->run(62 * S), eventIndex("done16"));
    ASSERT_TRUE(scene->rect2 && scene->rect3 && scene->rect4);
    EXPECT_EQ(scene->rect3->rotationSpeed.y(), 242.0f);
    EXPECT_EQ(script->run(138 * S), eventIndex("done24"));
    EXPECT_EQ(sceneList().back(), "rect2");
    EXPECT_EQ(script->run(146 * S), eventIndex("done25"));
}

TEST_F(SceneScriptTest, NothingFiresBetweenThirtyTwoAndThirtySixSeconds)
{
    EXPECT_EQ(script->run(int64_t(32.5 * S)), eventIndex("done12"));
    for (double t = 32.5; t <= 36.0; t += 0.25) EXPECT_EQ(script->run(int64_t(t * S)), -1) << t;
    EXPECT_EQ(script->run(int64_t(36.5 * S)), eventIndex("done14"));
}

TEST_F(SceneScriptTest, FogFollowsTheScript)
{
    script->run(int64_t(24.5 * S));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    script->run(int64_t(29.5 * S));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(SceneScriptTest, NegativePositionsCountAsHugeUnsigned)
{
    // The clock is compared unsigned: a negative position is past every event.
    EXPECT_EQ(script->run(-1), eventIndex("done26"));
}

} // namespace
