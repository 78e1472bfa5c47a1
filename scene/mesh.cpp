#include "scene/mesh.h"

#include <cmath>
#include <limits>

#include "gfx/texture.h"
#include "math/vec.h"

float dbg_myPI = 2.0f;

namespace {
const float NOT_SET = std::numeric_limits<float>::quiet_NaN();
const double PI = 3.14159265358979323846;
}

Mesh::Mesh(int type, float size) : type(type)
{
    switch (type) {
    case EMPTY:
        break;
    case FIELD:
        createField(static_cast<uint32_t>(size));
        break;
    case BALL:
        createBall(static_cast<uint32_t>(size));
        break;
    default:
        createRectangle(size);
        break;
    }
}

void Mesh::color(float red, float green, float blue, float alpha)
{
    r(red);
    g(green);
    b(blue);
    a(alpha);
}

Texture* Mesh::texture(Texture* t)
{
    texture_ = t;
    textured_ = t != nullptr;
    return t;
}

void Mesh::setRectangleSize(float width, float height)
{
    if (type == EMPTY || type == FIELD || type == BALL)
        return;
    left(-width / 2);
    right(width / 2);
    up(-height / 2);
    down(height / 2);
    for (int v = 0; v < 4; ++v)
        vertices[v * 3 + 2] = 0;
}

void Mesh::createRectangle(float s)
{
    vertexCount = 4;
    faceCount = 2;
    vertices = {-s, -s, 0, s, -s, 0, -s, s, 0, s, s, 0};
    indices = {0, 1, 2, 2, 1, 3};
    normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    textureCoords = {0, 0, 1, 0, 0, 1, 1, 1};
    faceNormals.clear();
}

void Mesh::createField(uint32_t n)
{
    vertexCount = n * n;
    vertices.assign(3 * vertexCount, NOT_SET);
    textureCoords.assign(2 * vertexCount, NOT_SET);
    indices.assign(n > 0 ? 6 * (n - 1) * (n - 1) : 0, 0);
    faceCount = indices.size() / 3;

    const float start = -(n * 1.0f * 0.5f);
    float y = start;
    for (uint32_t i = 0; i < n; ++i) {
        y += 1.0f;
        float x = start;
        for (uint32_t j = 0; j < n; ++j) {
            x += 1.0f;
            const uint32_t v = i * n + j;
            vertices[v * 3] = x;
            vertices[v * 3 + 1] = y;
            vertices[v * 3 + 2] = 0;
            textureCoords[v * 2] = static_cast<float>(j) / static_cast<float>(n);
            textureCoords[v * 2 + 1] = static_cast<float>(i) / static_cast<float>(n);
        }
    }

    // Two triangles per grid cell; values past 16 bits are truncated (n <= 256 fits).
    size_t k = 0;
    for (uint32_t i = 0; i + 1 < n; ++i) {
        for (uint32_t j = 0; j + 1 < n; ++j) {
            const uint32_t here = i * n + j, below = (i + 1) * n + j;
            for (uint32_t index : {here, here + 1, below, here + 1, below + 1, below})
                indices[k++] = static_cast<uint16_t>(index);
        }
    }

    faceNormals.assign(indices.size(), NOT_SET);
    normals.assign(vertices.size(), NOT_SET);
    calcFaceNormals();
}

void Mesh::createBall(uint32_t n)
{
    // Three times the generated slots are allocated; only the first n*n are written.
    vertexCount = 3 * n * n;
    vertices.assign(3 * vertexCount, NOT_SET);
    textureCoords.assign(2 * vertexCount, NOT_SET);
    indices.assign(2 * vertexCount, 0);
    faceCount = indices.size() / 3;

    // The polar angle runs over the full turn too, so the sphere is covered twice.
    const float turn = static_cast<float>(dbg_myPI * PI);
    const float rings = static_cast<float>(n);
    for (uint32_t i = 0; i < n; ++i) {
        const float phi = static_cast<float>(i) / rings * turn;
        const float s = std::sin(phi);
        const float c = std::cos(phi);
        for (uint32_t j = 0; j < n; ++j) {
            const float theta = static_cast<float>(j) / rings * turn;
            float* p = &vertices[(i * n + j) * 3];
            p[0] = std::cos(theta) * s;
            p[1] = c;
            p[2] = std::sin(theta) * s;
        }
    }

    // Row 0 keeps prev and cur at zero and so emits 2n degenerate triangles; no band
    // closes the last ring back to ring 0.
    std::vector<uint32_t> prev(n, 0), cur(n, 0);
    size_t k = 0;
    auto emit = [&](uint32_t p0, uint32_t p1, uint32_t p2) {
        indices[k++] = static_cast<uint16_t>(p0);
        indices[k++] = static_cast<uint16_t>(p1);
        indices[k++] = static_cast<uint16_t>(p2);
    };
    for (uint32_t i = 0; i < n; ++i) {
        if (i > 0) {
            for (uint32_t j = 0; j < n; ++j) {
                prev[j] = (i - 1) * n + j;
                cur[j] = i * n + j;
            }
        }
        for (uint32_t m = 0; m + 1 < n; ++m) {
            emit(prev[m], cur[m + 1], prev[m + 1]);
            emit(prev[m], cur[m], cur[m + 1]);
        }
        emit(prev[n - 1], cur[0], prev[0]);
        emit(prev[n - 1], cur[n - 1], cur[0]);
    }

    faceNormals.assign(indices.size(), NOT_SET);
    normals.assign(vertices.size(), NOT_SET);
    calcFaceNormals();
}

std::array<float, 3> Mesh::vertex(uint32_t i) const
{
    if (3ull * i + 2 >= vertices.size())
        return {0, 0, 0};
    return {vertices[3 * i], vertices[3 * i + 1], vertices[3 * i + 2]};
}

std::array<uint16_t, 3> Mesh::face(uint32_t f) const
{
    if (3ull * f + 2 >= indices.size())
        return {0, 0, 0};
    return {indices[3 * f], indices[3 * f + 1], indices[3 * f + 2]};
}

void Mesh::calcFaceNormals()
{
    // A rectangle has no face-normal array until someone asks for one.
    if (faceNormals.size() < 3ull * faceCount)
        faceNormals.resize(3ull * faceCount, NOT_SET);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const std::array<uint16_t, 3> corner = face(f);
        std::array<float, 3> p1 = vertex(corner[0]), p2 = vertex(corner[1]), p3 = vertex(corner[2]);
        float a[3], b[3], n[3];
        sub(a, p1.data(), p2.data());
        sub(b, p2.data(), p3.data());
        cross(n, a, b);
        norm(n);
        copy(&faceNormals[3 * f], n);
        // Later triangles overwrite: a vertex keeps the normal of the last one using it.
        for (uint16_t v : corner)
            copy(&normals[3 * v], n);
    }
}

void Mesh::render(float alpha)
{
    if (drawMode == GL_POINTS) {
        renderPoint();
        return;
    }

    if (textured_) {
        if (environmentMapped_) {
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
        } else {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
        }
        texture_->apply();
        glEnable(GL_TEXTURE_2D);
        glBlendFunc(blendSrc, blendDst);
    } else {
        glDisable(GL_TEXTURE_2D);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    if (doubleSided_)
        glDisable(GL_CULL_FACE);
    else
        glEnable(GL_CULL_FACE);

    if (blended_) {
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_BLEND);
        if (depthTest_) {
            // Each depth-tested opaque mesh is sorted against itself only.
            glEnable(GL_DEPTH_TEST);
            glClear(GL_DEPTH_BUFFER_BIT);
        } else {
            glDisable(GL_DEPTH_TEST);
        }
    }

    glShadeModel(shadeModel);
    glColor4f(r_, g_, b_, a_ * alpha);

    switch (type) {
    case EMPTY:
        break;
    case RECTANGLE:
        renderRectangle();
        break;
    default:
        renderVertexArray();
        break;
    }
}

void Mesh::renderPoint()
{
    glDisable(GL_LIGHTING);
    glBegin(GL_POINTS);
    for (size_t k = 0; k + 2 < vertices.size(); k += 3) {
        glNormal3f(0, 1, 0);
        glVertex3f(vertices[k], vertices[k + 1], vertices[k + 2]);
    }
    glEnd();
    glEnable(GL_LIGHTING);
}

void Mesh::renderRectangle()
{
    // Outline order: the quad's corners are 0, 1, 3, 2.
    glBegin(GL_QUADS);
    for (int v : {0, 1, 3, 2}) {
        glNormal3f(normals[3 * v], normals[3 * v + 1], normals[3 * v + 2]);
        glTexCoord2f(textureCoords[2 * v], textureCoords[2 * v + 1]);
        glVertex3f(vertices[3 * v], vertices[3 * v + 1], vertices[3 * v + 2]);
    }
    glEnd();
}

void Mesh::renderVertexArray()
{
    glPushMatrix();
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m_verticesP());
    glNormalPointer(GL_FLOAT, 0, m_normalsP());
    glTexCoordPointer(2, GL_FLOAT, 0, m_textureCoordsP());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, m_indicesP());
    glPopClientAttrib();
    glPopMatrix();
}
