// Byzantium's copies: where each one stands and how it is turned, read from the modelview
// matrix a recording mesh sees, against transforms composed here.
#include "scene/byzantium.h"

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "core/perlinnoise.h"
#include "gl/scenegl.h"
#include "timeline/clock.h"

using namespace scenegl;

namespace {

class ByzantiumTest : public WindowTest {
protected:
    // The pictures are read from ./data/ under the working directory: run in a scratch
    // directory holding three small 24-bit bitmaps.
    static void SetUpTestSuite()
    {
        WindowTest::SetUpTestSuite();
        char pattern[] = "/tmp/byzantium-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        ASSERT_EQ(system(("mkdir -p " + scratch + "/data").c_str()), 0);
        for (const char* name : {"4s.bmp", "5s.bmp", "f.bmp"}) {
            SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 24, 0xff0000, 0xff00, 0xff, 0);
            ASSERT_NE(s, nullptr);
            SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 200, 100, 50));
            ASSERT_EQ(SDL_SaveBMP(s, (scratch + "/data/" + name).c_str()), 0);
            SDL_FreeSurface(s);
        }
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(scratch.c_str()), 0);
    }
    static void TearDownTestSuite()
    {
        EXPECT_EQ(chdir(previous), 0);
        EXPECT_EQ(system(("rm -rf " + scratch).c_str()), 0);
        WindowTest::TearDownTestSuite();
    }

    void SetUp() override
    {
        WindowTest::SetUp();
        reseed(2);
        globalTime = 0;
        motionBlurSamples = 7;
    }
    void TearDown() override
    {
        globalTime = 0;
        motionBlurSamples = 7;
    }

    // Adds a recording mesh after the real one: it sees every copy's transform.
    static RecordingMesh& record(Byzantium& b)
    {
        auto mesh = std::make_unique<RecordingMesh>();
        RecordingMesh& r = *mesh;
        b.meshes.push_back(std::move(mesh));
        return r;
    }

    // Copies of the panel and tile variants: outer transform, then per copy a translation
    // to its row place and the copy's own turn.
    static void expectCopies(const RecordingMesh& r, const Matrix& outer, const std::vector<std::array<double, 2>>& at,
                             const std::function<Matrix(int)>& turn)
    {
        ASSERT_EQ(r.matrices.size(), at.size());
        for (size_t i = 0; i < at.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "copy " << i);
            expectMatrix(r.matrices[i], outer * translation(at[i][0], at[i][1], 0) * turn(static_cast<int>(i)), 2e-4);
        }
    }

    static std::string scratch;
    static char previous[4096];
};

std::string ByzantiumTest::scratch;
char ByzantiumTest::previous[4096];

}  // namespace

TEST_F(ByzantiumTest, VariantsBuildTheirMeshAndTexture)
{
    const struct {
        uint32_t variant;
        float corner;
        int32_t layers;
        bool textured, blur;
    } cases[] = {{0, 20, 5, true, true}, {1, 20, 10, true, true}, {2, 1.5f, 5, true, true},
                 {3, 1, 100, false, false}, {7, 20, 5, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        Byzantium b(c.variant);
        EXPECT_EQ(b.variant, c.variant);
        EXPECT_EQ(b.layerCount, c.layers);
        EXPECT_EQ(b.motionBlur, c.blur);
        ASSERT_EQ(b.meshes.size(), 1u);
        const Mesh& m = *b.meshes[0];
        EXPECT_EQ(m.type, RECTANGLE);
        EXPECT_EQ(m.right(), c.corner);
        EXPECT_EQ(m.up(), -c.corner);
        EXPECT_EQ(m.r(), 0.1f);
        EXPECT_EQ(m.g(), 0.1f);
        EXPECT_EQ(m.b(), 0.1f);
        EXPECT_EQ(m.a(), 1.0f);
        EXPECT_TRUE(m.isBlended());
        EXPECT_EQ(m.isTextured(), c.textured);
        EXPECT_EQ(static_cast<bool>(b.layerTexture), c.textured);
        if (c.textured) {
            EXPECT_NE(b.layerTexture->id, 0u) << "bitmap not loaded";
            EXPECT_EQ(m.texture(), b.layerTexture.get());
        }
    }
}

TEST_F(ByzantiumTest, PanelsStandInRowsAndTiltCopyByCopy)
{
    Byzantium b(0);
    RecordingMesh& r = record(b);
    b.position.set(1, -2, 3);
    b.rotation.set(10, 20, 30);
    const GLint depth = modelviewDepth();
    b.render(7);
    EXPECT_EQ(modelviewDepth(), depth);
    // Outer rotation order x, y, z; each copy turns 12.652 degrees more about (1, 1, 1).
    const Matrix outer = translation(1, -2, 3) * rotation(10, 1, 0, 0) * rotation(20, 0, 1, 0) * rotation(30, 0, 0, 1);
    expectCopies(r, outer, {{-31.63, 0}, {-18.978, 0}, {-6.326, 0}, {6.326, 0}, {0, 12.652}},
                 [](int i) { return rotation(i * 12.652 + 10, 1, 1, 1); });
    EXPECT_EQ(r.alphas, std::vector<float>(5, 1.0f));
}

TEST_F(ByzantiumTest, VariantOneHasTwoSpacingsPerRow)
{
    Byzantium b(1);
    RecordingMesh& r = record(b);
    b.position.set(0, 0, 0);
    b.rotation.set(0, 0, 0);
    b.render(1);
    const double s = 12.652;
    expectCopies(r, identity(),
                 {{-5 * s, 0}, {-4 * s, 0}, {-3 * s, 0}, {-2 * s, 0}, {-s, 0}, {0, 0}, {s, 0}, {0, s}, {s, s}, {0, 2 * s}},
                 [s](int i) { return rotation(i * s, 1, 1, 1); });
    for (float a : r.alphas)
        EXPECT_FLOAT_EQ(a, 1 / 7.0f);
}

TEST_F(ByzantiumTest, AnyVariantAboveThreeDrawsLikeZero)
{
    Byzantium zero(0), seven(7);
    RecordingMesh& r0 = record(zero);
    RecordingMesh& r7 = record(seven);
    for (Byzantium* b : {&zero, &seven}) {
        b->position.set(4, 5, 6);
        b->rotation.set(7, 8, 9);
        b->render(3);
    }
    ASSERT_EQ(r7.matrices.size(), r0.matrices.size());
    for (size_t i = 0; i < r0.matrices.size(); ++i)
        EXPECT_EQ(r7.matrices[i], r0.matrices[i]) << i;
    EXPECT_EQ(r7.alphas, r0.alphas);
}

TEST_F(ByzantiumTest, TilesFormAColumnEachTurnedAboutItsCentre)
{
    Byzantium b(2);
    RecordingMesh& r = record(b);
    b.position.set(1, 2, 3);
    b.rotation.set(40, 50, 60);  // z is not used by the tiles
    b.render(7);
    expectCopies(r, translation(1, 2, 3), {{0, 0}, {0, 0.4}, {0, 0.8}, {0, 1.2}, {0, 1.6}},
                 [](int) { return rotation(40, 1, 0, 0) * rotation(50, 0, 1, 0); });
}

TEST_F(ByzantiumTest, NoLayersDrawNothingButKeepTheStack)
{
    Byzantium b(0);
    RecordingMesh& r = record(b);
    b.layerCount = 0;
    const GLint depth = modelviewDepth();
    b.render(7);
    EXPECT_TRUE(r.matrices.empty());
    EXPECT_EQ(modelviewDepth(), depth);
}

TEST_F(ByzantiumTest, ChainLinksBuildOnEachOtherAndStepUpAfterTwentyOneAdditions)
{
    Byzantium b(3);
    RecordingMesh& r = record(b);
    b.position.set(0.5f, -1, 2);
    b.rotation.set(15, 25, 35);
    globalTime = 4321;
    const GLint depth = modelviewDepth();
    b.processFrame(1);  // no motion blur: drawn once
    EXPECT_EQ(modelviewDepth(), depth);
    ASSERT_EQ(r.matrices.size(), 100u);
    EXPECT_EQ(r.alphas, std::vector<float>(100, 1.0f));

    // The processFrame drift comes first; render(0) starts from it.
    const double t = 4321.0, t2 = 4321.0 * 0.8, z = 2.0;
    const double dx = (z * 5 + 1) * 0.01 * noise(static_cast<float>((t + 10.5863) * 0.0007), static_cast<float>((t + 10.7482) * 0.0007));
    const double dy = (z * 5 + 1) * 0.01 * noise(static_cast<float>((t2 + 10.2863) * 0.0007), static_cast<float>((t2 + 10.4482) * 0.0007));
    Matrix m = translation(dx, dy, 0) * translation(0.5, -1, 2) * rotation(15, 1, 0, 0) * rotation(25, 0, 1, 0) *
               rotation(35, 0, 0, 1);
    double y = 0;
    for (int i = 0; i < 100; ++i) {
        const double n = noise(static_cast<float>((i + 4321) / 5.273), static_cast<float>((i + 4321) / 5.34789));
        m = m * translation(n + 0.5, y, 0) * rotation((n + 0.5) * 250, 1, 1, 1);
        SCOPED_TRACE(::testing::Message() << "link " << i);
        expectMatrix(r.matrices[i], m, 2e-3);
        // The row steps once x has had 21 additions of 0.152 (20 * 0.152 falls just short
        // in single precision).
        if (i == 20 || i == 41 || i == 62 || i == 83)
            y += 0.152;
    }
}
