// The mechanics of a form-finding model at a shape x (one position per node):
//
//   W(x) = sum_t sigma_t A_t(x) + sum_c S_c L_c(x) - sum_t p_t V_t(x)
//
// with A_t the area of triangle t, L_c the length of cable c and V_t = a.(b x c)/6 the
// volume of the cone from the origin to triangle (a, b, c). For constant sigma, S and p the
// forces on the nodes are -grad W, so an equilibrium is a stationary point of W. (The load
// of a pressure is its share p n / 6 on each corner of each triangle; that is -grad of the
// pressure's part of W at a node inside a part of the membrane under one pressure, which is
// where free nodes under pressure are: over a held boundary, the volume enclosed does not
// depend on where the origin is.)
//
// A triangle with corners a, b, c, normal n = (b - a) x (c - a) = 2A n^ and sides
// e_k = x_{k+2} - x_{k+1} (opposite corner k) has
//   grad_k A = 1/2 n^ x e_k = 1/2 sum_{j != k} cot(theta_o) (x_k - x_j),
// theta_o the angle at the third corner. An isotropic stress sigma on it is therefore
// carried by its sides as bars with force densities q = sigma cot(theta_o) / 2 (the
// cotangent weights of Pinkall & Polthier 1993; the surface stress densities of Maurin &
// Motro 1998), and any three force densities stand for the constant plane stress
//   S = (1/A) sum_e q_e e e^T,
// whose eigenvalues in the plane are the principal stresses. A cable segment of length l
// carrying S is a bar of force density S / l. A uniform pressure p on a triangle puts
// p n / 6 on each of its corners.
#pragma once

#include <span>
#include <vector>

#include "common/vec3.h"
#include "form/form_model.h"

namespace membrane {

struct TriangleShape {
    Vec3 normal;  // (b - a) x (c - a): twice the area along the unit normal
    double area = 0.0;
    double cot[3] = {0, 0, 0};  // cotangent of the angle at corner k
};

TriangleShape MeasureTriangle(const Vec3& a, const Vec3& b, const Vec3& c);

// The smallest angle of the triangle, in degrees (0 for a triangle without area).
double SmallestAngleDegrees(const Vec3& a, const Vec3& b, const Vec3& c);

// The principal stresses of the plane stress that side force densities q (side k opposite
// corner k) stand for, major >= minor, kN/m.
struct PrincipalStresses {
    double major = 0.0, minor = 0.0;
};
PrincipalStresses StressOfForceDensities(const Vec3& a, const Vec3& b, const Vec3& c,
                                         const double q[3]);

// W at the shape x.
double FormEnergy(const FormModel& model, std::span<const Vec3> x);

// -grad W at every node: at a free node the force left out of balance when every triangle
// carries exactly its prestress and every cable exactly its force; at a held node the
// opposite of the force its support takes.
void PrescribedOutOfBalance(const FormModel& model, std::span<const Vec3> x,
                            std::span<Vec3> forces);

// The pressure's share at every node (p n / 6 from each triangle around it), the loads the
// supports and the membrane carry together.
void PressureLoads(const FormModel& model, std::span<const Vec3> x, std::span<Vec3> loads);

// Per node: the unit normal of the surface there (the triangles' normals summed, weighted
// by their areas); zero for a node in no triangle.
std::vector<Vec3> VertexNormals(const FormModel& model, std::span<const Vec3> x);

}  // namespace membrane
