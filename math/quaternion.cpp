#include "math/quaternion.h"

#include <cmath>

void Quaternion::createFromAxisAngle(float x, float y, float z, float degrees)
{
    const float angle = static_cast<float>(degrees / 180.0 * M_PI);
    const float s = static_cast<float>(std::sin(angle / 2.0));
    w = static_cast<float>(std::cos(angle / 2.0));
    this->x = x * s;
    this->y = y * s;
    this->z = z * s;
}

void Quaternion::createMatrix(std::vector<float>& m) const
{
    if (m.size() != 16)
        return;
    m[0] = 1.0f - 2.0f * (y * y + z * z);
    m[1] = 2.0f * (x * y + z * w);
    m[2] = 2.0f * (x * z - y * w);
    m[3] = 0.0f;
    m[4] = 2.0f * (x * y - z * w);
    m[5] = 1.0f - 2.0f * (x * x + z * z);
    m[6] = 2.0f * (z * y + x * w);
    m[7] = 0.0f;
    m[8] = 2.0f * (x * z + y * w);
    m[9] = 2.0f * (y * z - x * w);
    m[10] = 1.0f - 2.0f * (x * x + y * y);
    m[11] = 0.0f;
    m[12] = 0.0f;
    m[13] = 0.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
}

Quaternion Quaternion::opMul(const Quaternion& q) const
{
    Quaternion r;
    r.w = w * q.w - x * q.x - y * q.y - z * q.z;
    r.x = w * q.x + x * q.w + y * q.z - z * q.y;
    r.y = w * q.y + y * q.w + z * q.x - x * q.z;
    r.z = w * q.z + z * q.w + x * q.y - y * q.x;
    return r;
}

Quaternion Quaternion::operator*(const Quaternion& q) const
{
    return opMul(q);
}
