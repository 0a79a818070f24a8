// A point or vector in space, with the few operations the 3D form-finding needs.
#pragma once

#include <cmath>

namespace membrane {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;

    Vec3& operator+=(const Vec3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    Vec3& operator-=(const Vec3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    Vec3& operator*=(double s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    double operator[](int k) const { return k == 0 ? x : k == 1 ? y : z; }
    double& operator[](int k) { return k == 0 ? x : k == 1 ? y : z; }
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

inline Vec3 operator+(Vec3 a, const Vec3& b) {
    return a += b;
}
inline Vec3 operator-(Vec3 a, const Vec3& b) {
    return a -= b;
}
inline Vec3 operator-(const Vec3& a) {
    return {-a.x, -a.y, -a.z};
}
inline Vec3 operator*(double s, Vec3 a) {
    return a *= s;
}
inline Vec3 operator*(Vec3 a, double s) {
    return a *= s;
}
inline double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Norm(const Vec3& a) {
    return std::sqrt(Dot(a, a));
}
inline double MaxAbs(const Vec3& a) {
    return std::fmax(std::fabs(a.x), std::fmax(std::fabs(a.y), std::fabs(a.z)));
}

}  // namespace membrane
