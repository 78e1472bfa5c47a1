#include "app/progress.h"

#include <GL/gl.h>

#include "app/capture.h"
#include "app/settings.h"
#include "app/window.h"

void drawProgress(float percent)
{
    const float w = percent * 0.01f * 1.3f;
    const float h = 0.1f;
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    // Untextured: otherwise the texture the loader bound last tints the bar, often black.
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.3f, 0.6f, 0.2f, 0.8f);
    glTranslatef(0.0f, 0.0f, -1.0f);
    glBegin(GL_QUADS);
    glVertex3f(-1.3f, -0.15f, 0.0f);
    glVertex3f(1.3f, -0.15f, 0.0f);
    glVertex3f(1.3f, 0.15f, 0.0f);
    glVertex3f(-1.3f, 0.15f, 0.0f);
    glColor4f(0.4f, 0.8f, 0.2f, 1.0f);
    glVertex3f(-w, -h, 0.0f);
    glVertex3f(w, -h, 0.0f);
    glVertex3f(w, h, 0.0f);
    glVertex3f(-w, h, 0.0f);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
    glFlush();
}

void showProgress(float percent)
{
    drawProgress(percent);
    // Read before the swap: the back buffer's content is undefined afterwards.
    if (writeScreenShotMode) writeScreenShot();
    swapBuffers();
}
