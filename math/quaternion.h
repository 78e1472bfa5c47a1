#pragma once
// Rotation quaternion used by the camera to build its orientation matrix.
// Nothing is normalised: a non-unit quaternion gives a scaled, sheared matrix.
#include <vector>

class Quaternion {
public:
    // Declared in this order; a new quaternion is (w 0, x 1, y 0, z 0).
    float w = 0, z = 0, y = 0, x = 1;

    virtual ~Quaternion() = default;
    // Rotation of `degrees` about (x, y, z); the axis is not normalised. Overwrites all fields.
    virtual void createFromAxisAngle(float x, float y, float z, float degrees);
    // Writes the column-major OpenGL rotation matrix into m; does nothing unless m has 16 elements.
    virtual void createMatrix(std::vector<float>& m) const;
    // Hamilton product this * q; neither operand changes.
    virtual Quaternion opMul(const Quaternion& q) const;
    Quaternion operator*(const Quaternion& q) const;
};
