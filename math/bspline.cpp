#include "math/bspline.h"

#include <GL/gl.h>

void BSpline::render()
{
    glPushMatrix();
    glBegin(GL_LINE_STRIP);
    glColor3f(0.0f, 0.7f, 0.7f);
    for (const vec& k : keyPoints)
        glVertex3f(k.x(), k.y(), k.z());
    glEnd();
    glPopMatrix();
}

void BSpline::addKeyPoint(float x, float y, float z)
{
    vec k;
    k.set(x, y, z);
    keyPoints.push_back(k);
}

void BSpline::clear()
{
    currentSegment = 0;
    keyPoints.clear();
}

void BSpline::setRelatStartingPoint(float x, float y, float z)
{
    startingPoint[0] = x;
    startingPoint[1] = y;
    startingPoint[2] = z;
}

void BSpline::move(float* x, float* y, float* z, float step)
{
    const size_t n = keyPoints.size();
    // One key point has no valid control points (the last segment would need K[-1]).
    if (!active || n < 2)
        return;

    if (segmentPosition >= 1.0f) {
        segmentPosition = 0.0f;
        ++currentSegment;
    }
    if (currentSegment >= n) {
        if (loop) {
            currentSegment = 0;
            if (relative) {
                startingPoint[0] += *x;
                startingPoint[1] += *y;
                startingPoint[2] += *z;
            }
        }
        return;
    }

    // The first key point is doubled at the start, the last repeated at the end.
    const size_t i = currentSegment;
    const vec* a;
    const vec* b;
    const vec* c;
    const vec* d;
    const std::vector<vec>& k = keyPoints;
    if (i == 0 && n >= 3) {
        a = &k[0]; b = &k[0]; c = &k[1]; d = &k[2];
    } else if (i == 0 && n == 2) {
        a = &k[0]; b = &k[0]; c = &k[1]; d = &k[1];
    } else if (n == 2) {
        a = &k[i - 1]; b = &k[i]; c = &k[i]; d = &k[i];
    } else if (i == n - 2) {
        a = &k[i - 1]; b = &k[i]; c = &k[i + 1]; d = &k[i + 1];
    } else if (i == n - 1) {
        a = &k[i - 1]; b = &k[i]; c = &k[i]; d = &k[i];
    } else {
        a = &k[i - 1]; b = &k[i]; c = &k[i + 1]; d = &k[i + 2];
    }

    const float t = segmentPosition;
    const float t2 = t * t;
    const float t3 = t2 * t;
    const float w0 = 1.0f - 3.0f * t + 3.0f * t2 - t3;
    const float w1 = 3.0f * t3 - 6.0f * t2 + 4.0f;
    const float w2 = -3.0f * t3 + 3.0f * t2 + 3.0f * t + 1.0f;
    const float w3 = t3;

    float* out[3] = {x, y, z};
    for (int axis = 0; axis < 3; ++axis) {
        const float sum = w0 * a->v[axis] + w1 * b->v[axis] + w2 * c->v[axis] + w3 * d->v[axis];
        double value = sum * (1.0 / 6.0);
        if (relative)
            value += startingPoint[axis];
        *out[axis] = static_cast<float>(value);
    }

    segmentPosition += (1.0f / static_cast<float>(stepsPerSegment)) * step;
}
