#include "filters/camerafilter.h"

#include <GL/gl.h>

#include <memory>

CameraFilter::CameraFilter() = default;

CameraFilter::CameraFilter(float r, float g, float b, float a)
{
    auto sheet = std::make_unique<Mesh>(RECTANGLE, SHEET_SIZE);
    sheet->color(r, g, b, a);
    meshes.push_back(std::move(sheet));
    motionBlur = false;
}

CameraFilter::CameraFilter(Texture* texture)
{
    auto sheet = std::make_unique<Mesh>(RECTANGLE, SHEET_SIZE);
    sheet->texture(texture);
    sheet->color(0.3f, 0.3f, 0.3f, 1.0f);
    meshes.push_back(std::move(sheet));
    motionBlur = false;
}

void CameraFilter::render(uint32_t /*sample*/)
{
    if (meshes.empty())   // a bare CameraFilter() has no sheet
        return;
    glPushMatrix();
    glTranslatef(position.x(), position.y(), position.z());
    glRotatef(rotation.x(), 1, 0, 0);
    glRotatef(rotation.z(), 0, 0, 1);
    glRotatef(rotation.y(), 0, 1, 0);
    meshes[0]->render(1.0f);
    glPopMatrix();
}

void CameraFilter::render()
{
    render(0);
}
