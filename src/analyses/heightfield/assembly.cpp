#include "heightfield/assembly.h"

#include <algorithm>
#include <cmath>

#include "heightfield/field_reader.h"
#include "heightfield/mesh_area.h"

namespace membrane {

bool ComputeGeometry(const double x[3], const double y[3], ElementGeometry& g) {
    g.D = TwiceSignedArea(x[0], y[0], x[1], y[1], x[2], y[2]);
    if (g.D == 0.0 || !std::isfinite(g.D)) return false;
    g.eta[0] = y[1] - y[2];
    g.eta[1] = y[2] - y[0];
    g.eta[2] = y[0] - y[1];
    g.xi[0] = x[2] - x[1];
    g.xi[1] = x[0] - x[2];
    g.xi[2] = x[1] - x[0];
    return true;
}

void ComputeTerms(const ElementGeometry& g, const double h[3], double matrix[3][3],
                  double vector[3]) {
    const double D = g.D;
    const double* eta = g.eta;
    const double* xi = g.xi;
    const double a = (eta[0] * h[0] + eta[1] * h[1] + eta[2] * h[2]) / D;
    const double b = (xi[0] * h[0] + xi[1] * h[1] + xi[2] * h[2]) / D;
    const double S = 1 + a * a + b * b;
    const double S15 = RealPower(1.5, S);
    const double F = 1 / (2 * std::fabs(D) * S15);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            matrix[i][j] = F * ((1 + b * b) * eta[i] * eta[j] + (1 + a * a) * xi[i] * xi[j] -
                                a * b * (eta[i] * xi[j] + xi[i] * eta[j]));
    const double sign = std::fabs(D) / D;
    const double rootS = std::sqrt(S);
    for (int i = 0; i < 3; ++i) vector[i] = -sign * (a * eta[i] + b * xi[i]) / (2 * rootS);
}

bool ComputeElement(const NodeTable& nodes, const ElementTable& elements,
                    std::span<const double> heights, std::int32_t elementNumber,
                    ElementTerms& terms) {
    const ElementEntry* element = elements.Find(elementNumber);
    if (element == nullptr || element->nodeCount < 3) return false;
    const auto nodeNumbers = elements.NodesOf(*element);
    double x[3], y[3], h[3];
    for (int k = 0; k < 3; ++k) {
        const std::int32_t index = nodes.IndexOf(nodeNumbers[k]);
        if (index < 0) return false;
        const NodeEntry& node = nodes.Nodes()[index];
        terms.nodes[k] = nodeNumbers[k];
        x[k] = node.x;
        y[k] = node.y;
        h[k] = heights[index];
    }
    for (auto& row : terms.matrix)
        for (double& v : row) v = 0.0;

    ElementGeometry geometry;
    if (!ComputeGeometry(x, y, geometry)) return false;
    ComputeTerms(geometry, h, terms.matrix, terms.vector);
    return true;
}

std::vector<std::int32_t> AssemblyOrder(const ElementTable& elements) {
    std::vector<std::int32_t> numbers;
    numbers.reserve(elements.Elements().size());
    for (const ElementEntry& e : elements.Elements()) numbers.push_back(e.number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

void AccumulateElement(SparseMatrix& system, SparseMatrix& rhs, const ElementTerms& terms) {
    for (int i = 0; i < 3; ++i) {
        rhs.AddToEntry(terms.nodes[i], 1, terms.vector[i]);
        for (int j = 0; j < 3; ++j)
            system.AddToEntry(terms.nodes[i], terms.nodes[j], terms.matrix[i][j]);
    }
}

void ImposeConstraints(const IntList& constraints, SparseMatrix& system, SparseMatrix& rhs) {
    for (const auto& entry : constraints.Entries()) {
        rhs.SetEntry(entry.value, 1, 0.0);
        system.SetEntry(entry.value, entry.value, kConstraintStiffness);
    }
}

}  // namespace membrane
