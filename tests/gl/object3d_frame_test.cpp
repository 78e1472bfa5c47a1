// One frame of an object: drift, motion-blur sub-frames, alpha per sub-frame, the
// x-z-y rotation order, children, and a real red Button on the screen.
#include "scene/object3d.h"

#include <memory>
#include <string>
#include <vector>

#include "app/input.h"
#include "core/perlinnoise.h"
#include "gl/scenegl.h"
#include "scene/button.h"
#include "timeline/clock.h"

using namespace scenegl;

namespace {

// Logs its idle and render calls into a shared list, tagged with its name.
class Probe : public Object3D {
public:
    Probe(std::string name, std::vector<std::string>& log) : name(std::move(name)), log(log) {}
    void idle(float dt) override { log.push_back(name + " idle " + std::to_string(dt)); }
    void render(uint32_t sample) override { log.push_back(name + " render " + std::to_string(sample)); }
    std::string name;
    std::vector<std::string>& log;
};

std::string idleOf(const std::string& name, float dt) { return name + " idle " + std::to_string(dt); }
std::string renderOf(const std::string& name, uint32_t s) { return name + " render " + std::to_string(s); }

// Records the modelview matrix at each render: the drift translation is all there is.
class MatrixProbe : public Object3D {
public:
    void idle(float) override {}
    void render(uint32_t) override { seen.push_back(modelview()); }
    std::vector<Matrix> seen;
};

class Object3DFrameTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        reseed(2);
        globalTime = 0;
        motionBlurSamples = 7;
        motionBlurTicks = 1;
        upKey = downKey = leftKey = rightKey = false;
    }
    void TearDown() override
    {
        globalTime = 0;
        motionBlurSamples = 7;
        motionBlurTicks = 1;
        upKey = false;
    }

    std::vector<std::string> log;
};

}  // namespace

TEST_F(Object3DFrameTest, SevenSubFramesFirstGetsTheFrameTimeTheRestTicks)
{
    Probe p("p", log);
    motionBlurTicks = 3;
    const GLint depth = modelviewDepth();
    p.processFrame(40);
    std::vector<std::string> want;
    for (uint32_t i = 1; i <= 7; ++i) {
        want.push_back(idleOf("p", i == 1 ? 40.0f : 3.0f));
        want.push_back(renderOf("p", i));
    }
    EXPECT_EQ(log, want);
    EXPECT_EQ(modelviewDepth(), depth);
}

TEST_F(Object3DFrameTest, WithoutMotionBlurOneIdleOfTheWholeFrame)
{
    Probe p("p", log);
    p.motionBlur = false;
    motionBlurSamples = 5;
    motionBlurTicks = 4;
    p.processFrame(31);
    EXPECT_EQ(log, (std::vector<std::string>{idleOf("p", 31 + 5 * 4), renderOf("p", 0)}));
}

TEST_F(Object3DFrameTest, NoSamplesNoDrawingButChildrenStillRun)
{
    Probe parent("parent", log), child("child", log);
    parent.pack(&child);
    motionBlurSamples = 0;
    const GLint depth = modelviewDepth();
    parent.processFrame(12);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(modelviewDepth(), depth);

    child.motionBlur = false;
    parent.processFrame(12);
    EXPECT_EQ(log, (std::vector<std::string>{idleOf("child", 12), renderOf("child", 0)}));
}

TEST_F(Object3DFrameTest, ChildrenFollowTheParentWithItsTimeOncePerPack)
{
    Probe parent("parent", log), a("a", log), b("b", log);
    parent.motionBlur = a.motionBlur = b.motionBlur = false;
    motionBlurSamples = 2;
    parent.pack(&a);
    parent.pack(&b);
    parent.pack(&a);
    parent.processFrame(10);
    EXPECT_EQ(log, (std::vector<std::string>{idleOf("parent", 12), renderOf("parent", 0), idleOf("a", 12),
                                             renderOf("a", 0), idleOf("b", 12), renderOf("b", 0),
                                             idleOf("a", 12), renderOf("a", 0)}));
}

TEST_F(Object3DFrameTest, ChildrenAreOutsideTheParentsDrift)
{
    MatrixProbe parent, child;
    parent.pack(&child);
    parent.noiseAmplitude[0] = parent.noiseAmplitude[1] = 50.0f;
    globalTime = 5000;
    parent.processFrame(1);
    ASSERT_EQ(child.seen.size(), 7u);
    EXPECT_NE(parent.seen[0][12], child.seen[0][12]);
    EXPECT_NEAR(child.seen[0][12], 0.01 * noise(static_cast<float>((5000 + 10.5863) * 0.0007),
                                               static_cast<float>((5000 + 10.7482) * 0.0007)), 1e-7);
}

TEST_F(Object3DFrameTest, DriftFollowsTwoNoiseClocksAndGrowsWithZ)
{
    globalTime = 123456;
    const double t = 123456.0, t2 = 123456.0 * 0.8;
    const double nx = noise(static_cast<float>((t + 10.5863) * 0.0007), static_cast<float>((t + 10.7482) * 0.0007));
    const double ny = noise(static_cast<float>((t2 + 10.2863) * 0.0007), static_cast<float>((t2 + 10.4482) * 0.0007));
    ASSERT_NE(nx, 0.0);
    ASSERT_NE(ny, 0.0);
    ASSERT_NE(nx, ny);

    for (float z : {0.0f, 1.0f, -0.5f}) {
        SCOPED_TRACE(z);
        MatrixProbe p;
        p.position.z(z);
        p.noiseAmplitude[0] = 2.0f;
        p.noiseAmplitude[1] = 3.0f;
        p.processFrame(1);
        ASSERT_EQ(p.seen.size(), 7u);
        const double grow = 1 + 5 * z;  // at z = 1 six times the amplitude
        expectMatrix(p.seen[6], translation(2.0 * grow * nx, 3.0 * grow * ny, 0), 1e-5);
    }
}

TEST_F(Object3DFrameTest, SubFrameAlphaRisesToFull)
{
    Object3D o;
    auto first = std::make_unique<RecordingMesh>();
    auto second = std::make_unique<RecordingMesh>();
    RecordingMesh* a = first.get();
    RecordingMesh* b = second.get();
    o.meshes.push_back(std::move(first));
    o.meshes.push_back(std::move(second));

    o.processFrame(5);
    ASSERT_EQ(a->alphas.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_FLOAT_EQ(a->alphas[i], (i + 1) / 7.0f) << i;
        EXPECT_EQ(b->alphas[i], a->alphas[i]);
    }

    a->alphas.clear();
    o.render(3);
    EXPECT_FLOAT_EQ(a->alphas.at(0), 3 / 7.0f);

    a->alphas.clear();
    o.motionBlur = false;
    o.render(3);
    o.processFrame(5);
    EXPECT_EQ(a->alphas, (std::vector<float>{1.0f, 1.0f}));
}

TEST_F(Object3DFrameTest, RenderTranslatesThenRotatesXThenZThenY)
{
    Object3D o;
    auto mesh = std::make_unique<RecordingMesh>();
    RecordingMesh* m = mesh.get();
    o.meshes.push_back(std::move(mesh));
    o.position.set(1.5f, -2.0f, 3.0f);
    o.rotation.set(30.0f, 50.0f, 70.0f);
    const GLint depth = modelviewDepth();
    o.render(7);
    EXPECT_EQ(modelviewDepth(), depth);
    ASSERT_EQ(m->matrices.size(), 1u);
    expectMatrix(m->matrices[0],
                 translation(1.5, -2.0, 3.0) * rotation(30, 1, 0, 0) * rotation(70, 0, 0, 1) * rotation(50, 0, 1, 0),
                 1e-5);
}

TEST_F(Object3DFrameTest, HeldUpKeyAndSpinOverOneFrame)
{
    Object3D o;
    o.rotationSpeed.set(0, 2.0f, 0);
    upKey = true;
    o.processFrame(31);
    // Seven idles: 31 ms, then six of one tick.
    EXPECT_NEAR(o.rotationSpeed.x(), -(31 + 6) * 0.0001, 1e-7);
    EXPECT_FLOAT_EQ(o.rotation.y(), 14.0f);
}

TEST_F(Object3DFrameTest, RedButtonCoversItsSquareOnly)
{
    Button button;
    button.processFrame(40);

    // Seven layers of red at alpha 0.5 i/7 over black.
    double red = 0;
    for (int i = 1; i <= 7; ++i) {
        const double a = 0.5 * i / 7;
        red = a + (1 - a) * red;
    }
    // The square spans -1 .. 1 (pixels 24 .. 39); the drift is a few thousandths.
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            const std::array<int, 3> p = pixel(x, y);
            const bool inside = x >= 25 && x <= 38 && y >= 25 && y <= 38;
            const bool outside = x < 23 || x > 40 || y < 23 || y > 40;
            if (inside) {
                EXPECT_NEAR(p[0], red * 255, 6) << x << "," << y;
                EXPECT_EQ(p[1], 0) << x << "," << y;
                EXPECT_EQ(p[2], 0) << x << "," << y;
            } else if (outside) {
                EXPECT_EQ(p, (std::array<int, 3>{0, 0, 0})) << x << "," << y;
            }
        }
    }
}
