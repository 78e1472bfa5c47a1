#include "app/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include "app/settings.h"
#include "core/fatalerror.h"

uint32_t current_view_x = 0;
uint32_t current_view_y = 0;
uint32_t current_view_width = 0;
uint32_t current_view_height = 0;

bool light = true;
bool blend = true;

SdlSession::SdlSession()
{
    if (SDL_Init(0xFFFF) < 0) throw FatalError("Failed to initialize SDL: " + getSDLError());
}

SdlSession::~SdlSession()
{
    SDL_Quit();
}

std::string getSDLError()
{
    return SDL_GetError();
}

void createGLWindow(const std::string& title, int width, int height, int bits, bool fullscreen)
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_WM_SetCaption(title.c_str(), nullptr);

    Uint32 flags = SDL_OPENGL;
    if (fullscreen) {
        flags |= SDL_FULLSCREEN;
        SDL_ShowCursor(SDL_DISABLE);
    }
    if (!SDL_SetVideoMode(width, height, bits, flags))
        throw FatalError("Failed to open OpenGL window: " + getSDLError());
    resizeGLScene(width, height);
}

void resizeGLScene(int width, int height)
{
    if (height == 0) height = 1;
    int x = 0, y = 0, w = width, h = height;
    if (uint32_t(height) != view_height || uint32_t(width) != view_width) {
        h = int((long double)width / view_aspect * pixel_aspect_width);
        y = (height - h) / 2;
    }
    current_view_x = uint32_t(x);
    current_view_y = uint32_t(y);
    current_view_width = uint32_t(w);
    current_view_height = uint32_t(h);
    glViewport(x, y, w, h);

    // The aspect is the view's, not w/h, so the picture keeps its shape on wide pixels.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, view_aspect, 0.1, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void applyLight()
{
    if (light) glEnable(GL_LIGHTING);
    else glDisable(GL_LIGHTING);
}

void applyBlend()
{
    if (blend) {
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    }
}

void fogSetup()
{
    const GLfloat fogColor[] = {0.7f, 0.7f, 0.9f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fogColor);
    glFogf(GL_FOG_DENSITY, 0.085f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 20.0f);
}

void initGLstuff()
{
    glEnable(GL_TEXTURE_2D);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glShadeModel(GL_FLAT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_CULL_FACE);
    fogSetup();
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);

    const GLfloat specular[] = {0.7f, 0.5f, 0.2f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMateriali(GL_FRONT, GL_SHININESS, 56);

    applyBlend();
    applyLight();
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);

    // Given while the modelview matrix is the identity: eye-space positions.
    const GLfloat ambient[] = {0.0f, 0.0f, 0.1f, 0.3f};
    const GLfloat diffuse0[] = {0.5f, 0.5f, 1.0f, 1.0f};
    const GLfloat position0[] = {20.0f, 5.0f, 1.0f, 1.0f};
    const GLfloat specular0[] = {0.7f, 0.5f, 0.2f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
    glLightfv(GL_LIGHT0, GL_POSITION, position0);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular0);
    glEnable(GL_LIGHT0);

    const GLfloat diffuse1[] = {0.0f, 0.0f, 1.0f, 1.0f};
    const GLfloat position1[] = {-20.0f, -5.0f, 1.0f, 1.0f};
    const GLfloat specular1[] = {0.1f, 0.1f, 0.7f, 1.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
    glLightfv(GL_LIGHT1, GL_POSITION, position1);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular1);
    glEnable(GL_LIGHT1);

    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    // Turns t into -t, so images loaded top row first appear upright.
    glMatrixMode(GL_TEXTURE);
    glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
    glScalef(-1.0f, 1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
}

void swapBuffers()
{
    SDL_GL_SwapBuffers();
}
