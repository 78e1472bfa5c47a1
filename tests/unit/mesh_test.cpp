// Mesh geometry without a window: the generators and normals are checked against
// values derived here from the grid and sphere formulas, not from the generator code.
#include "scene/mesh.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Point {
    double x, y, z;
};

Point at(const std::vector<float>& a, size_t slot)
{
    return {a[3 * slot], a[3 * slot + 1], a[3 * slot + 2]};
}

struct Normal {
    Point n;        // (p1 - p2) x (p2 - p3), normalised; NaN for a zero cross product
    double sine;    // sine of the angle between the two edges: small = ill-conditioned
};

Normal expectedNormal(Point p1, Point p2, Point p3)
{
    const Point u{p1.x - p2.x, p1.y - p2.y, p1.z - p2.z};
    const Point w{p2.x - p3.x, p2.y - p3.y, p2.z - p3.z};
    Point n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
    const double l = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    const double lu = std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
    const double lw = std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z);
    return {{n.x / l, n.y / l, n.z / l}, l / (lu * lw)};
}

size_t countNaN(const std::vector<float>& a, size_t from)
{
    size_t k = 0;
    for (size_t i = from; i < a.size(); ++i)
        k += std::isnan(a[i]) ? 1 : 0;
    return k;
}

// Every face normal, and every vertex normal as that of the highest-numbered face using it.
// Faces whose edges are nearly parallel (the ball's rings next to the poles) have no
// well-defined single-precision normal: for them only unit length is required.
// Returns the number of such faces.
size_t expectNormalsMatchFaces(const Mesh& mesh, double tolerance)
{
    size_t illConditioned = 0;
    std::vector<long> lastFace(mesh.vertexCount, -1);
    for (size_t f = 0; f < mesh.faceCount; ++f) {
        const size_t a = mesh.indices[3 * f], b = mesh.indices[3 * f + 1], c = mesh.indices[3 * f + 2];
        const Normal want = expectedNormal(at(mesh.vertices, a), at(mesh.vertices, b), at(mesh.vertices, c));
        const Point n = want.n;
        const Point got = at(mesh.faceNormals, f);
        if (std::isnan(n.x)) {
            EXPECT_TRUE(std::isnan(got.x) && std::isnan(got.y) && std::isnan(got.z)) << "face " << f;
        } else if (want.sine < 1e-3) {
            ++illConditioned;
            if (!std::isnan(got.x)) {
                EXPECT_NEAR(got.x * got.x + got.y * got.y + got.z * got.z, 1.0, 1e-5) << "face " << f;
            }
        } else {
            EXPECT_NEAR(got.x, n.x, tolerance) << "face " << f;
            EXPECT_NEAR(got.y, n.y, tolerance) << "face " << f;
            EXPECT_NEAR(got.z, n.z, tolerance) << "face " << f;
        }
        lastFace[a] = lastFace[b] = lastFace[c] = static_cast<long>(f);
    }
    for (size_t v = 0; v < mesh.vertexCount; ++v) {
        const Point got = at(mesh.normals, v);
        if (lastFace[v] < 0) {
            EXPECT_TRUE(std::isnan(got.x)) << "unreferenced vertex " << v << " got a normal";
            continue;
        }
        const Point want = at(mesh.faceNormals, lastFace[v]);
        if (std::isnan(want.x)) {
            EXPECT_TRUE(std::isnan(got.x)) << "vertex " << v;
        } else {
            EXPECT_EQ(got.x, want.x) << "vertex " << v;
            EXPECT_EQ(got.y, want.y) << "vertex " << v;
            EXPECT_EQ(got.z, want.z) << "vertex " << v;
        }
    }
    return illConditioned;
}

void expectFieldGrid(uint32_t n)
{
    Mesh mesh(FIELD, static_cast<float>(n));
    ASSERT_EQ(mesh.vertexCount, n * n);
    ASSERT_EQ(mesh.vertices.size(), 3u * n * n);
    ASSERT_EQ(mesh.textureCoords.size(), 2u * n * n);
    ASSERT_EQ(mesh.indices.size(), 6u * (n - 1) * (n - 1));
    EXPECT_EQ(mesh.faceCount, 2u * (n - 1) * (n - 1));
    EXPECT_EQ(mesh.normals.size(), mesh.vertices.size());
    EXPECT_EQ(mesh.faceNormals.size(), mesh.indices.size());

    // Vertex (row, col) sits one unit right of and above the grid's lower-left corner
    // at (-n/2, -n/2).
    for (uint32_t v = 0; v < n * n; ++v) {
        const uint32_t row = v / n, col = v % n;
        EXPECT_EQ(mesh.vertices[3 * v], col + 1 - n / 2.0) << v;
        EXPECT_EQ(mesh.vertices[3 * v + 1], row + 1 - n / 2.0) << v;
        EXPECT_EQ(mesh.vertices[3 * v + 2], 0.0f) << v;
        EXPECT_FLOAT_EQ(mesh.textureCoords[2 * v], static_cast<double>(col) / n) << v;
        EXPECT_FLOAT_EQ(mesh.textureCoords[2 * v + 1], static_cast<double>(row) / n) << v;
    }

    // Cell c covers corners lo (its own vertex), lo+1, the vertex above, and its right.
    for (uint32_t c = 0; c < (n - 1) * (n - 1); ++c) {
        const uint32_t lo = (c / (n - 1)) * n + c % (n - 1);
        const uint32_t hi = lo + n;
        const uint32_t want[6] = {lo, lo + 1, hi, lo + 1, hi + 1, hi};
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(mesh.indices[6 * c + k], want[k]) << "cell " << c << " entry " << k;
    }
}

}  // namespace

TEST(MeshRectangle, CornersEdgesAndFixedArrays)
{
    Mesh mesh(RECTANGLE, 1.0f);
    EXPECT_EQ(mesh.vertices, (std::vector<float>{-1, -1, 0, 1, -1, 0, -1, 1, 0, 1, 1, 0}));
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(mesh.normals, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(mesh.textureCoords, (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 1}));
    EXPECT_TRUE(mesh.faceNormals.empty());
    EXPECT_EQ(mesh.vertexCount, 4u);
    EXPECT_EQ(mesh.faceCount, 2u);
    EXPECT_EQ(mesh.left(), -1.0f);
    EXPECT_EQ(mesh.right(), 1.0f);
    EXPECT_EQ(mesh.up(), -1.0f);
    EXPECT_EQ(mesh.down(), 1.0f);
}

TEST(MeshRectangle, EdgeSettersMoveBothCornersOfTheEdge)
{
    Mesh mesh(RECTANGLE, 1.0f);
    EXPECT_EQ(mesh.left(-3.0f), -3.0f);
    EXPECT_EQ(mesh.down(5.0f), 5.0f);
    // Vertex 0 = (left, up), 1 = (right, up), 2 = (left, down), 3 = (right, down).
    EXPECT_EQ(mesh.vertex(0), (std::array<float, 3>{-3, -1, 0}));
    EXPECT_EQ(mesh.vertex(2), (std::array<float, 3>{-3, 5, 0}));
    EXPECT_EQ(mesh.vertex(3), (std::array<float, 3>{1, 5, 0}));
    mesh.right(7.0f);
    mesh.up(-9.0f);
    EXPECT_EQ(mesh.vertex(1), (std::array<float, 3>{7, -9, 0}));
    EXPECT_EQ(mesh.vertex(3), (std::array<float, 3>{7, 5, 0}));
}

TEST(MeshRectangle, SetRectangleSizeRecentresRectanglesOnly)
{
    Mesh mesh(RECTANGLE, 1.0f);
    mesh.setRectangleSize(4.0f, 2.0f);
    EXPECT_EQ(mesh.vertices, (std::vector<float>{-2, -1, 0, 2, -1, 0, -2, 1, 0, 2, 1, 0}));

    Mesh field(FIELD, 2.0f);
    const std::vector<float> before = field.vertices;
    field.setRectangleSize(4.0f, 2.0f);
    EXPECT_EQ(field.vertices, before);

    Mesh ball(BALL, 3.0f);
    const std::vector<float> ballBefore = ball.vertices;
    ball.setRectangleSize(4.0f, 2.0f);
    EXPECT_EQ(std::memcmp(ball.vertices.data(), ballBefore.data(), ballBefore.size() * sizeof(float)), 0);
}

TEST(MeshKinds, EmptyHasNoArraysAndUnknownKindsAreRectangles)
{
    Mesh empty(EMPTY, 30.0f);
    EXPECT_TRUE(empty.vertices.empty() && empty.indices.empty() && empty.normals.empty());
    EXPECT_EQ(empty.vertexCount, 0u);

    Mesh odd(7, 2.5f);
    EXPECT_EQ(odd.type, 7);
    EXPECT_EQ(odd.vertexCount, 4u);
    EXPECT_EQ(odd.left(), -2.5f);
    EXPECT_EQ(odd.down(), 2.5f);
}

TEST(MeshKinds, SizeIsTruncatedForGridsAndBalls)
{
    EXPECT_EQ(Mesh(FIELD, 3.9f).vertexCount, 9u);
    EXPECT_EQ(Mesh(BALL, 2.7f).vertexCount, 3u * 2 * 2);
}

TEST(MeshState, DefaultsAndSetters)
{
    Mesh mesh(RECTANGLE, 1.0f);
    EXPECT_TRUE(std::isnan(mesh.r()) && std::isnan(mesh.g()) && std::isnan(mesh.b()) && std::isnan(mesh.a()));
    EXPECT_TRUE(mesh.isBlended());
    EXPECT_TRUE(mesh.isDoubleSided());
    EXPECT_FALSE(mesh.isEnvironmentMapped());
    EXPECT_FALSE(mesh.isTextured());
    EXPECT_FALSE(mesh.isDepthTest());
    EXPECT_EQ(mesh.blendSrc, static_cast<GLenum>(GL_SRC_ALPHA));
    EXPECT_EQ(mesh.blendDst, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(mesh.drawMode, static_cast<GLenum>(GL_TRIANGLES));
    EXPECT_EQ(mesh.shadeModel, static_cast<GLenum>(GL_FLAT));

    mesh.color(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(mesh.r(), 0.1f);
    EXPECT_EQ(mesh.g(), 0.2f);
    EXPECT_EQ(mesh.b(), 0.3f);
    EXPECT_EQ(mesh.a(), 0.4f);
    EXPECT_EQ(mesh.g(0.9f), 0.9f);
    EXPECT_FALSE(mesh.isBlended(false));
    EXPECT_FALSE(mesh.isBlended());
    EXPECT_TRUE(mesh.isEnvironmentMapped(true));
    EXPECT_FALSE(mesh.isDoubleSided(false));
}

TEST(MeshAccess, VertexAndFaceOutOfRangeGiveZeros)
{
    Mesh mesh(RECTANGLE, 2.0f);
    EXPECT_EQ(mesh.vertex(3), (std::array<float, 3>{2, 2, 0}));
    EXPECT_EQ(mesh.vertex(4), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(mesh.face(1), (std::array<uint16_t, 3>{2, 1, 3}));
    EXPECT_EQ(mesh.face(2), (std::array<uint16_t, 3>{0, 0, 0}));
    EXPECT_EQ(mesh.m_verticesP(), mesh.vertices.data());
    EXPECT_EQ(mesh.m_indicesP(), mesh.indices.data());
    EXPECT_EQ(mesh.m_normalsP(), mesh.normals.data());
    EXPECT_EQ(mesh.m_textureCoordsP(), mesh.textureCoords.data());
}

TEST(MeshField, TwoByTwo)
{
    Mesh mesh(FIELD, 2.0f);
    EXPECT_EQ(mesh.vertices, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(mesh.textureCoords, (std::vector<float>{0, 0, 0.5f, 0, 0, 0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 2, 1, 3, 2}));
    EXPECT_EQ(mesh.faceCount, 2u);
    expectFieldGrid(2);
}

TEST(MeshField, ThirtyByThirty)
{
    expectFieldGrid(30);
    Mesh mesh(FIELD, 30.0f);
    EXPECT_EQ(mesh.vertex(0), (std::array<float, 3>{-14, -14, 0}));
    EXPECT_EQ(mesh.vertex(899), (std::array<float, 3>{15, 15, 0}));
}

TEST(MeshField, FlatGridFacesUp)
{
    Mesh mesh(FIELD, 30.0f);
    for (size_t k = 0; k < mesh.faceNormals.size(); k += 3)
        ASSERT_EQ(at(mesh.faceNormals, k / 3).z, 1.0) << "face " << k / 3;
    EXPECT_EQ(countNaN(mesh.normals, 0), 0u);
}

TEST(MeshField, NormalsFollowMovedVerticesAndTheLastFaceWins)
{
    Mesh mesh(FIELD, 30.0f);
    // Move the heights as the animated fields do, then recompute.
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
        mesh.vertices[3 * v + 2] = static_cast<float>(std::sin(v * 0.37) * 2.0 + std::cos(v * 0.11));
    mesh.calcFaceNormals();
    EXPECT_EQ(expectNormalsMatchFaces(mesh, 1e-5), 0u);

    // In a 2x2 grid vertex 1 belongs to both triangles: it keeps the second one's normal.
    Mesh small(FIELD, 2.0f);
    small.vertices[3 * 3 + 2] = 1.0f;
    small.calcFaceNormals();
    const Point second = expectedNormal(at(small.vertices, 1), at(small.vertices, 3), at(small.vertices, 2)).n;
    EXPECT_NEAR(small.normals[3], second.x, 1e-6);
    EXPECT_NEAR(small.normals[4], second.y, 1e-6);
    EXPECT_NEAR(small.normals[5], second.z, 1e-6);
    EXPECT_NE(small.normals[5], 1.0f);
    EXPECT_EQ(small.normals[2], 1.0f);  // vertex 0 only in the first, still flat, triangle
}

TEST(MeshBall, ArraySizesAndUnwrittenSlots)
{
    const uint32_t n = 30;
    Mesh mesh(BALL, 30.0f);
    EXPECT_EQ(mesh.vertexCount, 3 * n * n);
    ASSERT_EQ(mesh.vertices.size(), 9u * n * n);
    ASSERT_EQ(mesh.indices.size(), 6u * n * n);
    EXPECT_EQ(mesh.faceCount, 2 * n * n);
    EXPECT_EQ(mesh.normals.size(), 9u * n * n);
    EXPECT_EQ(mesh.faceNormals.size(), 6u * n * n);
    ASSERT_EQ(mesh.textureCoords.size(), 6u * n * n);
    // Only the first n*n slots are generated; texture coordinates are never written.
    EXPECT_EQ(countNaN(mesh.vertices, 0), 6u * n * n);
    EXPECT_EQ(countNaN(mesh.vertices, 3 * n * n), 6u * n * n);
    EXPECT_EQ(countNaN(mesh.textureCoords, 0), mesh.textureCoords.size());
    EXPECT_EQ(countNaN(mesh.normals, 3 * n * n), 6u * n * n);
}

TEST(MeshBall, VerticesLieOnRingsOfTheDoubleTurn)
{
    const uint32_t n = 30;
    Mesh mesh(BALL, 30.0f);
    for (uint32_t ring = 0; ring < n; ++ring) {
        const double phi = 2.0 * M_PI * ring / n;  // polar angle over the full turn
        for (uint32_t seg = 0; seg < n; ++seg) {
            const double theta = 2.0 * M_PI * seg / n;
            const Point p = at(mesh.vertices, ring * n + seg);
            EXPECT_NEAR(p.x, std::sin(phi) * std::cos(theta), 2e-6) << ring << "/" << seg;
            EXPECT_NEAR(p.y, std::cos(phi), 2e-6) << ring << "/" << seg;
            EXPECT_NEAR(p.z, std::sin(phi) * std::sin(theta), 2e-6) << ring << "/" << seg;
        }
    }
}

TEST(MeshBall, IndicesJoinEachRingToThePreviousOne)
{
    const uint32_t n = 30;
    Mesh mesh(BALL, 30.0f);
    // Row 0 has nothing before it: 2n triangles (0, 0, 0).
    for (uint32_t k = 0; k < 6 * n; ++k)
        ASSERT_EQ(mesh.indices[k], 0) << k;
    // Every later row: for each segment m a quad between ring i-1 and ring i, the last
    // one wrapping round to segment 0.
    for (uint32_t i = 1; i < n; ++i) {
        for (uint32_t m = 0; m < n; ++m) {
            const uint32_t next = (m + 1) % n;
            const uint32_t a = (i - 1) * n + m, b = (i - 1) * n + next, c = i * n + m, d = i * n + next;
            const uint32_t want[6] = {a, d, b, a, c, d};
            for (int k = 0; k < 6; ++k)
                ASSERT_EQ(mesh.indices[6 * n * i + 6 * m + k], want[k]) << "row " << i << " seg " << m;
        }
    }
}

TEST(MeshBall, NormalsFromFacesWithDegenerateOnesNaN)
{
    Mesh mesh(BALL, 30.0f);
    // Row 0 is degenerate, and half of row 1 (two corners on the pole ring).
    for (uint32_t f = 0; f < 60; ++f)
        EXPECT_TRUE(std::isnan(mesh.faceNormals[3 * f])) << f;
    // Only the ring at the far pole (half a turn) is too thin to check componentwise.
    EXPECT_LE(expectNormalsMatchFaces(mesh, 1e-4), 60u);
}

TEST(MeshBall, FullTurnFollowsDbgMyPI)
{
    const float saved = dbg_myPI;
    dbg_myPI = 1.0f;  // a half turn instead of the full one
    Mesh half(BALL, 4.0f);
    dbg_myPI = saved;
    // Ring 2 of 4 at phi = pi/2 (the equator, not the far pole); segment 1 at theta = pi/4.
    EXPECT_NEAR(half.vertices[3 * 9], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(half.vertices[3 * 9 + 1], 0.0, 1e-6);
    EXPECT_NEAR(half.vertices[3 * 9 + 2], std::sqrt(0.5), 1e-6);
}
