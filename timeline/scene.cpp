#include "timeline/scene.h"

#include <GL/gl.h>

Scene::Scene(const std::function<void(float)>& p)
{
    for (float v : {1.0f, 1.1f, 1.2f, 1.3f, 1.4f}) p(v);
    logoTexture = std::make_unique<Texture>("./data/velmo.bmp");
    p(5);
    titleTexture = std::make_unique<Texture>("./data/quor_drell.bmp");
    p(10);
    p(12);
    blobTexture = std::make_unique<Texture>(2u);
    p(20);
    randomTexture = std::make_unique<Texture>(1u);
    p(30);
    sineTexture = std::make_unique<Texture>(3u);
    p(35);
    noiseTexture = std::make_unique<Texture>(7u);
    p(40);
    rampTexture = std::make_unique<Texture>(4u);

    colorFilter = std::make_unique<CameraFilter>(0.2f, 0.5f, 0.05f, 1.0f);
    colorFilter->color(0.05f, 0.09f, 0.2f, 1.0f);
    grain = std::make_unique<Grain>();
    filters.push_back(grain.get());
    p(48);

    bandFilter1 = std::make_unique<CameraFilter>(rampTexture.get());
    bandFilter1->position.set(0.0f, -0.3f, 0.0f);
    bandFilter1->rotation.y(-5.0f);
    bandFilter1->meshes[0]->setRectangleSize(10.5f, 1.4f);
    bandFilter1->color(0.3f, 0.3f, 0.1f, 1.0f);
    filters.push_back(bandFilter1.get());

    bandFilter2 = std::make_unique<CameraFilter>(rampTexture.get());
    bandFilter2->position.set(0.0f, 0.9f, 0.0f);
    bandFilter2->rotation.y(-19.0f);
    bandFilter2->meshes[0]->setRectangleSize(12.5f, 1.0f);
    bandFilter2->color(0.2f, 0.2f, 0.1f, 1.0f);
    filters.push_back(bandFilter2.get());

    cameraOwner = std::make_unique<Camera>();
    camera = cameraOwner.get();
    p(50);
    camera->positionPath.addKeyPoint(0.0f, 0.0f, -20.0f);
    camera->positionPath.addKeyPoint(0.0f, 0.0f, -10.0f);
    camera->positionPath.addKeyPoint(0.0f, 0.0f, 20.0f);
    camera->positionPath.addKeyPoint(0.0f, 0.0f, 80.0f);
    camera->positionPath.stepsPerSegment = 4000;
    camera->positionPath.active = true;
    p(51);

    objects.clear();
    p(56);

    movingBall = std::make_unique<MovingBall>(3u, 0.8f, 0.1f, 0.0f, 1.0f);
    movingBall->position.set(0.0f, 0.0f, -3.0f);
    movingBall->motionBlur = false;
    {
        Mesh& m = *movingBall->meshes[0];
        m.shadeModel = GL_SMOOTH;
        m.isDepthTest(true);
        m.texture(noiseTexture.get());
        m.isBlended(false);
        m.isEnvironmentMapped(true);
    }
    movingBall->rotationSpeed.z(0.2f);
    movingBall->rotationSpeed.x(0.1f);
    movingBall->rotationSpeed.y(0.05f);
    p(57);

    field = std::make_unique<Field>(0.413f, 0.723f, 0.2531f, 0.7f);
    field->meshes[0]->texture(noiseTexture.get());
    field->meshes[0]->isEnvironmentMapped(true);
    field->meshes[0]->isDepthTest(true);
    field->position.set(0.0f, 0.0f, -35.0f);
    field->rotationSpeed.z(-0.5f);
    field->rotation.x(-60.0f);
    field->rotation.y(30.0f);
    p(60);

    rectShower = std::make_unique<RectShower>(objects, 500u);

    byzantium0 = std::make_unique<Byzantium>(0u);
    byzantium0->position.set(0.0f, -0.6f, -35.5f);
    byzantium0->rotationSpeed.set(0.006f, 0.003f, -0.001f);
    byzantium0->rotation.set(-6.0f, 3.0f, 60.0f);

    byzantium1 = std::make_unique<Byzantium>(1u);
    byzantium1->position.set(0.5f, 0.0f, -35.5f);
    byzantium1->rotationSpeed.set(0.01f, 0.003f, -0.001f);
    byzantium1->rotation.set(91.0f, 69.0f, 54.0f);
    objects.push_back(byzantium1.get());

    byzantium2 = std::make_unique<Byzantium>(2u);
    byzantium2->position.set(0.0f, -0.6f, 0.0f);
    byzantium2->rotationSpeed.set(104.0006f, 101.0003f, 101.00001f);
    p(65);
    p(70);

    blackRect = std::make_unique<Rectangle>(0.0f, 0.0f, 0.0f, 1.0f);
    blackRect->position.set(0.0f, 0.0f, 0.0f);
    blackRect->motionBlur = false;
    blackRect->meshes[0]->texture(sineTexture.get());
    p(75);

    movingField1 = std::make_unique<MovingField>(0u, 0.3f, 0.1f, 0.0f, 1.0f);
    movingField1->meshes[0]->texture(blobTexture.get());
    movingField1->position.set(-15.0f, -10.0f, -45.0f);
    movingField1->rotationSpeed.z(-0.05f);
    movingField1->rotation.x(-70.0f);
    p(80);

    movingField2 = std::make_unique<MovingField>(2u, 0.3f, 0.6f, 0.1f, 0.7f);
    {
        Mesh& m = *movingField2->meshes[0];
        m.texture(noiseTexture.get());
        m.shadeModel = GL_SMOOTH;
        m.isBlended(false);
        m.isEnvironmentMapped(true);
        m.isDepthTest(true);
    }
    movingField2->motionBlur = false;
    movingField2->position.set(10.0f, 0.0f, -20.0f);
    movingField2->rotation.x(-40.0f);
    movingField2->rotation.z(30.0f);
    p(85);
    p(100);
}

Scene::~Scene()
{
    // The globals point into this scene; leave none dangling.
    objects.clear();
    if (camera == cameraOwner.get()) camera = nullptr;
}

void Scene::render(int64_t step)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    colorFilter->render();
    glLoadIdentity();

    camera->processFrame(step);
    camera->setPerspective();
    for (Object3D* object : objects) {
        glPushMatrix();
        object->processFrame(step);
        glPopMatrix();
    }

    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    for (CameraFilter* filter : filters) {
        glPushMatrix();
        filter->render();
        glPopMatrix();
    }
    glFlush();
}
