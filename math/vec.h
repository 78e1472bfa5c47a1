#pragma once
// Three-component float vectors: the value type `vec` and in-place helpers on three-float
// arrays. The helpers take the destination first: sub(dst, a, b) is dst = a - b.
#include <limits>
#include <string>
#include <vector>

struct vec {
    // Unset until set() or a setter is called, so a forgotten initialisation shows as NaN.
    float v[3] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN(),
                  std::numeric_limits<float>::quiet_NaN()};

    void set(float x, float y, float z);
    float x() const;
    float y() const;
    float z() const;
    // Setters return the value written.
    float x(float value);
    float y(float value);
    float z(float value);
    // Addresses of the components, so a path can write straight into an owner's position.
    float* xp();
    float* yp();
    float* zp();
    // "x: 1.00y: 2.00z: 3.00" (two decimals, no separators).
    std::string toUtf8() const;
};

void copy(float* dst, const float* src);
void sub(float* dst, const float* a, const float* b);
void add(float* dst, const float* a, const float* b);
void scalDiv(float* v, float s);                      // no check of s
void cross(float* dst, const float* a, const float* b);
float length(const float* v);
void norm(float* v);                                  // a zero vector becomes NaN
void set(float* v, float x, float y, float z);

// Only the first three elements count; the vector must hold at least three.
float length(const std::vector<float>& v);
// Like norm, but a zero vector stays zero.
void reduceToUnit(std::vector<float>& v);
