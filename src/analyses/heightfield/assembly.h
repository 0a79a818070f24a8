// The Newton system of one iteration for the membrane heights.
//
// The membrane z(x, y) is linear on each triangle of the flat mesh. For a triangle with
// plan corners (xi, yi) and heights hi, with D = twice its signed plan area,
//   eta = (y2 - y3, y3 - y1, y1 - y2),   xi = (x3 - x2, x1 - x3, x2 - x1),
//   a = eta.h / D,  b = xi.h / D         (the slopes dz/dx and dz/dy),
//   S = 1 + a^2 + b^2,                   area = |D| sqrt(S) / 2.
// The element matrix is the exact Hessian of that area with respect to (h1, h2, h3),
//   K(i,j) = F [(1 + b^2) eta_i eta_j + (1 + a^2) xi_i xi_j - a b (eta_i xi_j + xi_i eta_j)],
//   F = 1 / (2 |D| S^1.5),
// and the element vector is minus its gradient,
//   r(i) = -sign(D) (a eta_i + b xi_i) / (2 sqrt(S)).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "heightfield/element_table.h"
#include "heightfield/node_table.h"
#include "heightfield/value_lists.h"
#include "linalg/sparse_matrix.h"

namespace membrane {

struct ElementTerms {
    double matrix[3][3];
    double vector[3];
    std::int32_t nodes[3];
};

// What the element terms take from the plan of the triangle, which stays the same from
// one Newton step to the next: D and the coordinate differences eta and xi.
struct ElementGeometry {
    double D;
    double eta[3];
    double xi[3];
};

// From the corners' plan coordinates in vertex order. False when the triangle has no plan
// area or D is not a finite number.
bool ComputeGeometry(const double x[3], const double y[3], ElementGeometry& geometry);

// The element matrix and vector at the corner heights h: what ComputeElement gives, bit
// for bit, since it computes them here too.
void ComputeTerms(const ElementGeometry& geometry, const double h[3], double matrix[3][3],
                  double vector[3]);

// Fills `terms` for the element with this number (the newest of the number) from the
// node table and the heights (one per node of the table). False when the element or one
// of its nodes is missing, or the triangle has no plan area (the model check rules those
// out before a run).
bool ComputeElement(const NodeTable& nodes, const ElementTable& elements,
                    std::span<const double> heights, std::int32_t elementNumber,
                    ElementTerms& terms);

// The element numbers in the order the Newton system is assembled: ascending, each once.
// For a model numbered 1..E exactly 1, 2, ..., E; a model with gaps in its numbering is
// assembled completely.
std::vector<std::int32_t> AssemblyOrder(const ElementTable& elements);

// Adds the element's terms into the system matrix and the right-hand side.
void AccumulateElement(SparseMatrix& system, SparseMatrix& rhs, const ElementTerms& terms);

// Pins every constrained node: its right-hand side becomes 0 and its diagonal 1e10
// (replacing the assembled value), so its increment is ~1e-10 of its couplings.
void ImposeConstraints(const IntList& constraints, SparseMatrix& system, SparseMatrix& rhs);

constexpr double kConstraintStiffness = 1e10;

}  // namespace membrane
