#include "scene/byzantium.h"

#include <GL/gl.h>

#include "core/perlinnoise.h"
#include "timeline/clock.h"

namespace {
const float PANEL_SPACING = 12.652f;
const float TILE_SPACING = 0.4f;
const float CHAIN_SPACING = 0.152f;
}

Byzantium::Byzantium(uint32_t variant) : variant(variant)
{
    float size = 20.0f;
    const char* picture = "4s.bmp";
    layerCount = 5;
    switch (variant) {
    case 1:
        picture = "5s.bmp";
        layerCount = 10;
        break;
    case 2:
        size = 1.5f;
        picture = "f.bmp";
        break;
    case 3:
        size = 1.0f;
        picture = nullptr;
        layerCount = 100;
        motionBlur = false;
        break;
    default:
        break;
    }

    auto mesh = std::make_unique<Mesh>(RECTANGLE, size);
    if (picture) {
        layerTexture = Texture::fromDataFile(picture);
        mesh->texture(layerTexture.get());
    }
    mesh->color(0.1f, 0.1f, 0.1f, 1.0f);
    meshes.push_back(std::move(mesh));
}

void Byzantium::RowCursor::advance()
{
    x += s;
    // The threshold is exact in double, x single: the comparison decides which copy
    // starts a new row (for the chain, the 21st addition, not the 20th).
    if (x >= end) {
        x = 0;
        y += s;
    }
}

void Byzantium::drawMeshes(float alpha)
{
    for (auto& mesh : meshes)
        mesh->render(alpha);
}

void Byzantium::render(uint32_t sample)
{
    const float alpha = motionBlur ? (1.0f / static_cast<float>(motionBlurSamples)) * static_cast<float>(sample) : 1.0f;
    switch (variant) {
    case 2:
        renderTiles(alpha);
        break;
    case 3:
        renderChain(alpha);
        break;
    default:
        renderPanels(alpha);
        break;
    }
}

// Translation by position, then rotation about x, y, z in that order (not the x, z, y of
// Object3D).
void Byzantium::placeRotatedXYZ()
{
    glTranslatef(position.x(), position.y(), position.z());
    glRotatef(rotation.x(), 1, 0, 0);
    glRotatef(rotation.y(), 0, 1, 0);
    glRotatef(rotation.z(), 0, 0, 1);
}

void Byzantium::renderPanels(float alpha)
{
    const int32_t n = layerCount;
    const float s = PANEL_SPACING;
    RowCursor cursor(static_cast<float>(-(n * s * 0.5)), s, n);

    glPushMatrix();
    placeRotatedXYZ();
    for (int32_t i = 0; i < n; ++i) {
        glPushMatrix();
        glTranslatef(cursor.x, cursor.y, 0);
        glRotatef(static_cast<float>(i) * s + rotation.x(), 1, 1, 1);
        drawMeshes(alpha);
        cursor.advance();
        glPopMatrix();
    }
    glPopMatrix();
}

void Byzantium::renderTiles(float alpha)
{
    const int32_t n = layerCount;
    RowCursor cursor(0, TILE_SPACING, n);

    glPushMatrix();
    glTranslatef(position.x(), position.y(), position.z());
    for (int32_t i = 0; i < n; ++i) {
        glPushMatrix();
        glTranslatef(cursor.x, cursor.y, 0);
        // Each tile turns about its own centre; rotation.z is not used.
        glRotatef(rotation.x(), 1, 0, 0);
        glRotatef(rotation.y(), 0, 1, 0);
        drawMeshes(alpha);
        cursor.advance();
        glPopMatrix();
    }
    glPopMatrix();
}

void Byzantium::renderChain(float alpha)
{
    const int32_t n = layerCount;
    RowCursor cursor(0, CHAIN_SPACING, n);

    glPushMatrix();
    placeRotatedXYZ();
    // No push between copies: every link builds on the transformation of the one before,
    // so the chain bends smoothly as the noise varies along it and with the clock.
    for (int32_t i = 0; i < n; ++i) {
        const double along = static_cast<double>(i + globalTime);
        const float m = noise(static_cast<float>(along / 5.273), static_cast<float>(along / 5.34789));
        glTranslatef(m + 0.5f, cursor.y, 0);
        glRotatef(static_cast<float>((m + 0.5) * 250.0), 1, 1, 1);
        drawMeshes(alpha);
        cursor.advance();
    }
    glPopMatrix();
}
