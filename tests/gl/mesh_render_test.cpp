// Mesh::render sets its whole render state on every call, whatever was set before, and
// draws through the path its kind asks for.
#include "scene/mesh.h"

#include <memory>
#include <string>

#include "gfx/texture.h"
#include "gl/scenegl.h"

using namespace scenegl;

namespace {

bool enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

GLint integer(GLenum name)
{
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
}

std::array<float, 4> currentColor()
{
    std::array<float, 4> c;
    glGetFloatv(GL_CURRENT_COLOR, c.data());
    return c;
}

// Records which drawing path render() chose, without drawing.
class PathMesh : public Mesh {
public:
    using Mesh::Mesh;
    void renderPoint() override { paths += "point "; }
    void renderRectangle() override { paths += "rectangle "; }
    void renderVertexArray() override { paths += "array "; }
    std::string paths;
};

class MeshRenderTest : public WindowTest {
protected:
    // The opposite of what a default untextured mesh sets, so each check can fail.
    static void disturb()
    {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
        glShadeModel(GL_SMOOTH);
        glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    }

    static void expectBlendFunc(GLenum src, GLenum dst)
    {
        EXPECT_EQ(integer(GL_BLEND_SRC), static_cast<GLint>(src));
        EXPECT_EQ(integer(GL_BLEND_DST), static_cast<GLint>(dst));
    }

    // A generated texture is enough: only its binding is checked.
    static Texture& texture()
    {
        static Texture t(3u);
        return t;
    }
};

}  // namespace

TEST_F(MeshRenderTest, UntexturedBlendedMeshDarkensWithoutDepthTest)
{
    Mesh mesh(RECTANGLE, 1.0f);
    mesh.color(0.2f, 0.4f, 0.6f, 0.8f);
    disturb();
    mesh.render(0.5f);
    EXPECT_FALSE(enabled(GL_TEXTURE_2D));
    expectBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(enabled(GL_CULL_FACE));
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_FLAT);
    const std::array<float, 4> c = currentColor();
    EXPECT_FLOAT_EQ(c[0], 0.2f);
    EXPECT_FLOAT_EQ(c[1], 0.4f);
    EXPECT_FLOAT_EQ(c[2], 0.6f);
    EXPECT_FLOAT_EQ(c[3], 0.4f);  // a times the alpha argument
}

TEST_F(MeshRenderTest, OpaqueDepthTestedMeshStartsFromAnEmptyDepthBuffer)
{
    Mesh mesh(RECTANGLE, 0.5f);
    mesh.color(1, 1, 1, 1);
    mesh.isBlended(false);
    mesh.isDepthTest(true);
    mesh.isDoubleSided(false);
    mesh.shadeModel = GL_SMOOTH;

    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glShadeModel(GL_FLAT);
    mesh.render(1.0f);

    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_SMOOTH);
    // Away from the square the depth buffer holds the cleared far value, not 0.25.
    float depth = 0;
    glReadPixels(2, 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f);
}

TEST_F(MeshRenderTest, OpaqueMeshWithoutDepthTestLeavesTheDepthBufferAlone)
{
    Mesh mesh(RECTANGLE, 0.5f);
    mesh.color(1, 1, 1, 1);
    mesh.isBlended(false);
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    disturb();
    mesh.render(1.0f);
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    float depth = 0;
    glReadPixels(2, 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 0.25f);
}

TEST_F(MeshRenderTest, TexturedMeshUsesItsOwnBlendFactorsAndGeneration)
{
    Mesh mesh(RECTANGLE, 1.0f);
    mesh.color(1, 1, 1, 1);
    EXPECT_EQ(mesh.texture(&texture()), &texture());
    ASSERT_NE(texture().id, 0u);
    mesh.blendSrc = GL_ONE;
    mesh.blendDst = GL_ONE_MINUS_SRC_COLOR;

    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    mesh.isEnvironmentMapped(true);
    mesh.render(1.0f);
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(enabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture().id));
    expectBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);

    mesh.isEnvironmentMapped(false);
    mesh.render(1.0f);
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(enabled(GL_TEXTURE_GEN_T));
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
}

TEST_F(MeshRenderTest, NullTextureDrawsUntextured)
{
    Mesh mesh(RECTANGLE, 1.0f);
    mesh.color(1, 1, 1, 1);
    mesh.texture(&texture());
    mesh.texture(nullptr);
    disturb();
    mesh.render(1.0f);
    EXPECT_FALSE(mesh.isTextured());
    EXPECT_FALSE(enabled(GL_TEXTURE_2D));
}

TEST_F(MeshRenderTest, EachKindTakesItsPath)
{
    struct Case {
        int type;
        GLenum mode;
        const char* paths;
    } cases[] = {
        {EMPTY, GL_TRIANGLES, ""},
        {RECTANGLE, GL_TRIANGLES, "rectangle "},
        {FIELD, GL_TRIANGLES, "array "},
        {BALL, GL_TRIANGLES, "array "},
        {7, GL_TRIANGLES, "array "},
        {RECTANGLE, GL_POINTS, "point "},
        {BALL, GL_POINTS, "point "},
    };
    for (const Case& c : cases) {
        PathMesh mesh(c.type, 3.0f);
        mesh.color(1, 1, 1, 1);
        mesh.drawMode = c.mode;
        mesh.render(1.0f);
        EXPECT_EQ(mesh.paths, c.paths) << "type " << c.type << " mode " << c.mode;
    }
}

TEST_F(MeshRenderTest, PointsSetNoOtherStateAndLeaveLightingOn)
{
    Mesh mesh(FIELD, 4.0f);
    mesh.color(1, 1, 1, 1);
    mesh.drawMode = GL_POINTS;
    disturb();
    mesh.render(1.0f);
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
    EXPECT_TRUE(enabled(GL_CULL_FACE));
    EXPECT_FALSE(enabled(GL_BLEND));
    expectBlendFunc(GL_ONE, GL_ZERO);
    EXPECT_TRUE(enabled(GL_LIGHTING));
}

TEST_F(MeshRenderTest, EveryPathCoversItsShape)
{
    // Drawn opaque white on black; the pixel at the middle of each shape turns white and
    // a corner of the window stays black.
    const struct {
        int type;
        float size;
        GLenum mode;
        double x, y;   // world point inside the shape
    } cases[] = {
        {RECTANGLE, 1.0f, GL_TRIANGLES, 0.5, -0.5},
        {7, 1.0f, GL_TRIANGLES, -0.5, 0.5},
        {FIELD, 4.0f, GL_TRIANGLES, 0.5, 0.5},    // grid spans -1 .. 2
        {BALL, 12.0f, GL_TRIANGLES, 0.3, 0.3},
        {FIELD, 3.0f, GL_POINTS, 0.5, 0.5},       // a vertex of the 3 x 3 grid
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " mode " << c.mode);
        glClear(GL_COLOR_BUFFER_BIT);
        Mesh mesh(c.type, c.size);
        mesh.color(1, 1, 1, 1);
        mesh.isBlended(false);
        mesh.drawMode = c.mode;
        glDisable(GL_LIGHTING);
        glPointSize(3);
        mesh.render(1.0f);
        glDisable(GL_LIGHTING);
        EXPECT_EQ(pixel(toPixel(c.x), toPixel(c.y)), (std::array<int, 3>{255, 255, 255}));
        EXPECT_EQ(pixel(1, SIZE - 2), (std::array<int, 3>{0, 0, 0}));
    }
}
