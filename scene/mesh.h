#pragma once
// One drawable piece of geometry with its own render state. The arrays are laid out as
// OpenGL client-side vertex arrays want them, so a field or ball draws with one call.
// The generators touch no OpenGL state: geometry is computable without a context.
#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

class Texture;

// The product dbg_myPI * pi is the full turn of the ball generator (2.0: a full circle).
extern float dbg_myPI;

enum MeshKind : int { EMPTY = 0, RECTANGLE = 1, FIELD = 2, BALL = 3 };

class Mesh {
public:
    // RECTANGLE and unknown kinds: a square with corners at +-size. FIELD and BALL:
    // size truncated to the grid / ring count. EMPTY: no arrays.
    Mesh(int type, float size);
    virtual ~Mesh() = default;

    // Sets the complete render state on every call, then draws with alpha * a().
    virtual void render(float alpha);
    virtual void renderPoint();
    virtual void renderRectangle();
    virtual void renderVertexArray();

    // Rectangles only: corners at +-width/2, +-height/2; other kinds stay as they are.
    void setRectangleSize(float width, float height);

    float r() const { return r_; }
    float g() const { return g_; }
    float b() const { return b_; }
    float a() const { return a_; }
    float r(float v) { return r_ = v; }
    float g(float v) { return g_ = v; }
    float b(float v) { return b_ = v; }
    float a(float v) { return a_ = v; }
    void color(float r, float g, float b, float a);

    // Rectangle edges. "Up" is the smaller y. Vertex 0 = (left, up), 1 = (right, up),
    // 2 = (left, down), 3 = (right, down).
    float left() const { return vertices[0]; }
    float right() const { return vertices[3]; }
    float up() const { return vertices[1]; }
    float down() const { return vertices[7]; }
    float left(float v) { return vertices[6] = vertices[0] = v; }
    float right(float v) { return vertices[9] = vertices[3] = v; }
    float up(float v) { return vertices[4] = vertices[1] = v; }
    float down(float v) { return vertices[10] = vertices[7] = v; }

    void createRectangle(float size);
    void createBall(uint32_t rings);
    void createField(uint32_t n);

    // Copies; zeros for numbers past the end of the arrays.
    std::array<float, 3> vertex(uint32_t i) const;
    std::array<uint16_t, 3> face(uint32_t f) const;

    // Face normals, and per vertex the normal of the last triangle (in index order)
    // using it: not averaged. Degenerate triangles give NaN.
    void calcFaceNormals();

    float* m_verticesP() { return vertices.data(); }
    uint16_t* m_indicesP() { return indices.data(); }
    float* m_normalsP() { return normals.data(); }
    float* m_textureCoordsP() { return textureCoords.data(); }

    // Shared, not owned; setting one makes the mesh textured, setting none untextured.
    Texture* texture(Texture* t);
    Texture* texture() const { return texture_; }
    bool isTextured() const { return textured_; }

    bool isEnvironmentMapped() const { return environmentMapped_; }
    bool isEnvironmentMapped(bool v) { return environmentMapped_ = v; }
    bool isBlended() const { return blended_; }
    bool isBlended(bool v) { return blended_ = v; }
    bool isDoubleSided() const { return doubleSided_; }
    bool isDoubleSided(bool v) { return doubleSided_ = v; }
    void isDepthTest(bool v) { depthTest_ = v; }
    bool isDepthTest() const { return depthTest_; }

    int type = EMPTY;
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;           // index count / 3
    std::vector<float> vertices;      // x, y, z per vertex slot
    std::vector<uint16_t> indices;    // three per triangle
    std::vector<float> normals;       // one normal per vertex slot
    std::vector<float> faceNormals;   // one unit normal per triangle
    std::vector<float> textureCoords; // s, t per vertex slot

    // The blend factors apply to textured meshes only; untextured ones always darken
    // with GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA.
    GLenum blendSrc = GL_SRC_ALPHA;
    GLenum blendDst = GL_ONE;
    GLenum drawMode = GL_TRIANGLES;   // GL_POINTS draws the vertices as points
    GLenum shadeModel = GL_FLAT;

private:
    // Unset until color(): every creator colours its meshes before the first draw.
    static constexpr float UNSET = std::numeric_limits<float>::quiet_NaN();
    float r_ = UNSET, g_ = UNSET, b_ = UNSET, a_ = UNSET;
    Texture* texture_ = nullptr;
    bool textured_ = false;
    bool environmentMapped_ = false;
    bool blended_ = true;
    bool doubleSided_ = true;
    bool depthTest_ = false;
};
