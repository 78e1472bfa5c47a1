#include "math/vec.h"

#include <cmath>
#include <cstdio>

void vec::set(float x, float y, float z)
{
    this->x(x);
    this->y(y);
    this->z(z);
}

float vec::x() const { return v[0]; }
float vec::y() const { return v[1]; }
float vec::z() const { return v[2]; }
float vec::x(float value) { return v[0] = value; }
float vec::y(float value) { return v[1] = value; }
float vec::z(float value) { return v[2] = value; }
float* vec::xp() { return &v[0]; }
float* vec::yp() { return &v[1]; }
float* vec::zp() { return &v[2]; }

std::string vec::toUtf8() const
{
    char text[160];
    std::snprintf(text, sizeof text, "x: %.2fy: %.2fz: %.2f", v[0], v[1], v[2]);
    return text;
}

void copy(float* dst, const float* src)
{
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
}

void sub(float* dst, const float* a, const float* b)
{
    dst[0] = a[0] - b[0];
    dst[1] = a[1] - b[1];
    dst[2] = a[2] - b[2];
}

void add(float* dst, const float* a, const float* b)
{
    dst[0] = a[0] + b[0];
    dst[1] = a[1] + b[1];
    dst[2] = a[2] + b[2];
}

void scalDiv(float* v, float s)
{
    v[0] /= s;
    v[1] /= s;
    v[2] /= s;
}

void cross(float* dst, const float* a, const float* b)
{
    // Through temporaries, so dst may alias a or b.
    const float x = a[1] * b[2] - a[2] * b[1];
    const float y = a[2] * b[0] - a[0] * b[2];
    const float z = a[0] * b[1] - a[1] * b[0];
    dst[0] = x;
    dst[1] = y;
    dst[2] = z;
}

float length(const float* v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void norm(float* v)
{
    scalDiv(v, length(v));
}

void set(float* v, float x, float y, float z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

float length(const std::vector<float>& v)
{
    return length(v.data());
}

void reduceToUnit(std::vector<float>& v)
{
    float l = length(v);
    if (l == 0.0f)
        l = 1.0f;
    v[0] /= l;
    v[1] /= l;
    v[2] /= l;
}
