#include "filters/grain.h"

#include <GL/gl.h>

#include "gfx/textureimage.h"
#include "math/precalcrandom.h"

Grain::Grain()
{
    auto sheet = std::make_unique<Mesh>(RECTANGLE, SHEET_SIZE);
    textures.reserve(textureCount);
    for (uint32_t k = 0; k < textureCount; ++k)
        textures.push_back(std::make_unique<Texture>(static_cast<uint32_t>(TEXTURE_RANDOM)));
    sheet->texture(textures[currentTexture].get());
    meshes.push_back(std::move(sheet));

    auto speck = std::make_unique<Mesh>(RECTANGLE, SPECK_SIZE);
    trashTexture = Texture::fromDataFile("roska.bmp");
    speck->texture(trashTexture.get());
    speck->color(1.0f, 1.0f, 1.0f, 1.0f);
    meshes.push_back(std::move(speck));

    motionBlur = false;
    defaultISO();
}

void Grain::render()
{
    render(0);
}

void Grain::render(uint32_t /*sample*/)
{
    meshes[0]->texture(textures[currentTexture].get());
    glPushMatrix();
    glTranslatef(position.x(), position.y(), position.z());
    meshes[0]->render(1.0f);
    const int specks = static_cast<int>(precalcRandom->next(20)) - (20 - trashAmount);
    for (int k = 0; k < specks; ++k)
        renderTrash();
    glPopMatrix();

    currentTexture += 1;
    if (currentTexture >= textureCount)
        currentTexture = 0;
}

void Grain::defaultISO()
{
    ISO400();
}

void Grain::ISO400()
{
    color(0.2f, 0.15f, 0.05f, 0.5f);
    trashAmount = 4;
}

void Grain::ISO800()
{
    color(0.5f, 0.35f, 0.07f, 0.5f);
    trashAmount = 10;
}

void Grain::ISO1600()
{
    color(1.0f, 0.7f, 0.3f, 0.5f);
    trashAmount = 20;
}

void Grain::ISO3200()
{
    color(1.0f, 1.0f, 0.7f, 0.5f);
    trashAmount = 40;
}

void Grain::renderTrash()
{
    // x is drawn before y; the speck stays inside the band the grain sheet covers.
    const float x = static_cast<float>(precalcRandom->next(100) * 0.055 - 2.525);
    const float y = static_cast<float>(precalcRandom->next(100) * 0.03 - 1.5);
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    meshes[1]->render(1.0f);
    glPopMatrix();
}
