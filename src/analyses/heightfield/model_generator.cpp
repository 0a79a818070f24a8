#include "heightfield/model_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/file_names.h"
#include "common/number_format.h"
#include "common/text_file.h"

namespace membrane {
namespace {

constexpr double kPi = std::numbers::pi;

// Sums many terms of mixed size without losing the small ones (Neumaier's variant of
// compensated summation): the area of a million triangles to the last digits.
class CompensatedSum {
  public:
    void Add(double term) {
        const double t = sum_ + term;
        if (std::fabs(sum_) >= std::fabs(term))
            compensation_ += (sum_ - t) + term;
        else
            compensation_ += (term - t) + sum_;
        sum_ = t;
    }
    double Value() const { return sum_ + compensation_; }

  private:
    double sum_ = 0.0;
    double compensation_ = 0.0;
};

double Catenoid(double x, double y) {
    const CatenoidParameters p;
    return p.c * std::acosh(std::max(1.0, std::hypot(x, y) / p.c));
}

double Scherk(double x, double y) {
    return std::log(std::cos(y) / std::cos(x));
}

std::int32_t Rounded(double value) {
    return static_cast<std::int32_t>(std::lround(value));
}

// An n x n grid over [x0, x0 + side]^2, node (i, j) numbered j n + i, each cell cut along
// its rising diagonal into two counter-clockwise triangles. Boundary nodes are held.
void SquareGrid(GeneratedModel& m, std::int64_t targetNodes, double x0, double side) {
    const std::int32_t n =
        std::max<std::int32_t>(3, Rounded(std::sqrt(static_cast<double>(targetNodes))));
    const std::size_t count = static_cast<std::size_t>(n) * n;
    m.x.resize(count);
    m.y.resize(count);
    m.start.assign(count, 0.0);
    m.held.assign(count, false);
    for (std::int32_t j = 0; j < n; ++j)
        for (std::int32_t i = 0; i < n; ++i) {
            const std::size_t k = static_cast<std::size_t>(j) * n + i;
            // The last line lands exactly on x0 + side: no rounding drift on the far edge.
            m.x[k] = i == n - 1 ? x0 + side : x0 + side * i / (n - 1);
            m.y[k] = j == n - 1 ? x0 + side : x0 + side * j / (n - 1);
            m.held[k] = i == 0 || j == 0 || i == n - 1 || j == n - 1;
        }
    m.triangles.reserve(2 * static_cast<std::size_t>(n - 1) * (n - 1));
    for (std::int32_t j = 0; j + 1 < n; ++j)
        for (std::int32_t i = 0; i + 1 < n; ++i) {
            const std::int32_t a = j * n + i, b = a + 1, c = a + n + 1, d = a + n;
            m.triangles.push_back({a, b, c});
            m.triangles.push_back({a, c, d});
        }
}

void BuildCatenoid(GeneratedModel& m, std::int64_t targetNodes) {
    const CatenoidParameters p;
    const double rho = std::log(p.outerRadius / p.innerRadius);
    // Square cells: radial step rho / nr equal to the angular step 2 pi / nt, so
    // nr = a nt with a = rho / (2 pi), and N = nt (nr + 1) = a nt^2 + nt.
    const double a = rho / (2 * kPi);
    const double n = static_cast<double>(targetNodes);
    const std::int32_t nt =
        std::max<std::int32_t>(8, Rounded((std::sqrt(1 + 4 * a * n) - 1) / (2 * a)));
    const std::int32_t nr = std::max<std::int32_t>(1, Rounded(n / nt) - 1);
    const std::size_t count = static_cast<std::size_t>(nr + 1) * nt;
    m.x.resize(count);
    m.y.resize(count);
    m.start.resize(count);
    m.held.assign(count, false);

    const double innerHeight = Catenoid(p.innerRadius, 0.0);
    const double outerHeight = Catenoid(p.outerRadius, 0.0);
    const double step = 2 * kPi / nt;
    for (std::int32_t k = 0; k <= nr; ++k) {
        const double r = k == 0    ? p.innerRadius
                         : k == nr ? p.outerRadius
                                   : p.innerRadius * std::exp(rho * k / nr);
        const bool boundary = k == 0 || k == nr;
        const double start = boundary ? (k == 0 ? innerHeight : outerHeight)
                                      : innerHeight + (r - p.innerRadius) /
                                                          (p.outerRadius - p.innerRadius) *
                                                          (outerHeight - innerHeight);
        const double turn = (k % 2) * 0.5 * step;  // odd rings sit half a step further on
        for (std::int32_t j = 0; j < nt; ++j) {
            const std::size_t idx = static_cast<std::size_t>(k) * nt + j;
            const double theta = j * step + turn;
            m.x[idx] = r * std::cos(theta);
            m.y[idx] = r * std::sin(theta);
            m.start[idx] = start;
            m.held[idx] = boundary;
        }
    }
    m.triangles.reserve(2 * static_cast<std::size_t>(nr) * nt);
    for (std::int32_t k = 0; k < nr; ++k) {
        const std::int32_t lo = k * nt, hi = (k + 1) * nt;
        for (std::int32_t j = 0; j < nt; ++j) {
            const std::int32_t jn = (j + 1) % nt;
            if (k % 2 == 0) {
                // Inner ring on the grid angles, outer node j halfway between inner j and j+1.
                m.triangles.push_back({lo + j, hi + j, lo + jn});
                m.triangles.push_back({lo + jn, hi + j, hi + jn});
            } else {
                // Inner node j halfway between outer j and j+1.
                m.triangles.push_back({lo + j, hi + j, hi + jn});
                m.triangles.push_back({lo + j, hi + jn, lo + jn});
            }
        }
    }
}

void BuildScherk(GeneratedModel& m, std::int64_t targetNodes) {
    const double half = ScherkParameters{}.halfSide;
    SquareGrid(m, targetNodes, -half, 2 * half);
    for (std::size_t k = 0; k < m.x.size(); ++k) {
        const double x = m.x[k], y = m.y[k];
        if (m.held[k]) {
            m.start[k] = Scherk(x, y);
            continue;
        }
        // Linear between the left and right edge values on this line, and between the
        // bottom and top edge values on this column; the nearer pair of edges weighs more.
        const double alongX =
            Scherk(-half, y) + (x + half) / (2 * half) * (Scherk(half, y) - Scherk(-half, y));
        const double alongY =
            Scherk(x, -half) + (y + half) / (2 * half) * (Scherk(x, half) - Scherk(x, -half));
        const double toSides = half - std::fabs(x), toEnds = half - std::fabs(y);
        m.start[k] = (alongX * toEnds + alongY * toSides) / (toSides + toEnds);
    }
}

// Gauss-Legendre nodes and weights on [-1, 1] (Newton's method on P_n from the
// Chebyshev-like first guesses).
void GaussLegendre(int n, std::vector<double>& nodes, std::vector<double>& weights) {
    nodes.assign(n, 0.0);
    weights.assign(n, 0.0);
    for (int i = 0; i < (n + 1) / 2; ++i) {
        double t = std::cos(kPi * (i + 0.75) / (n + 0.5));
        double derivative = 0.0;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p0 = 1.0, p1 = t;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2 * k - 1) * t * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            derivative = n * (t * p1 - p0) / (t * t - 1);
            const double shift = p1 / derivative;
            t -= shift;
            if (std::fabs(shift) < 1e-16) break;
        }
        nodes[i] = -t;
        nodes[n - 1 - i] = t;
        weights[i] = weights[n - 1 - i] = 2 / ((1 - t * t) * derivative * derivative);
    }
}

std::string Number(double value) {
    return FormatGeneral(value, 17);
}

// Fixed notation with 12 decimals; values that round to zero are written "0.000000000000",
// never "-0.000000000000".
std::string Fixed12(double value, int width) {
    if (std::fabs(value) < 5e-13) value = 0.0;
    return FormatFixedWidth(value, width, 12);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') out += '\\';
        out += ch;
    }
    return out + "\"";
}

}  // namespace

std::optional<GeneratedShape> ParseGeneratedShape(const std::string& name) {
    if (name == "catenoid") return GeneratedShape::Catenoid;
    if (name == "scherk") return GeneratedShape::Scherk;
    if (name == "square") return GeneratedShape::FlatSquare;
    return std::nullopt;
}

std::string GeneratedShapeName(GeneratedShape shape) {
    switch (shape) {
        case GeneratedShape::Catenoid:
            return "catenoid";
        case GeneratedShape::Scherk:
            return "scherk";
        case GeneratedShape::FlatSquare:
            return "square";
    }
    return "square";
}

GeneratedModel GenerateModel(GeneratedShape shape, std::int64_t targetNodes) {
    targetNodes = std::clamp(targetNodes, kMinGeneratedNodes, kMaxGeneratedNodes);
    GeneratedModel m;
    m.shape = shape;
    switch (shape) {
        case GeneratedShape::Catenoid:
            BuildCatenoid(m, targetNodes);
            break;
        case GeneratedShape::Scherk:
            BuildScherk(m, targetNodes);
            break;
        case GeneratedShape::FlatSquare:
            SquareGrid(m, targetNodes, 0.0, 1.0);
            break;
    }
    return m;
}

double ExactHeight(GeneratedShape shape, double x, double y) {
    switch (shape) {
        case GeneratedShape::Catenoid:
            return Catenoid(x, y);
        case GeneratedShape::Scherk:
            return Scherk(x, y);
        case GeneratedShape::FlatSquare:
            return 0.0;
    }
    return 0.0;
}

double CatenoidExactArea(const CatenoidParameters& p) {
    // Surface of revolution: dA = 2 pi r sqrt(1 + z'^2) dr with z' = c / sqrt(r^2 - c^2),
    // so dA = 2 pi r^2 / sqrt(r^2 - c^2) dr, whose antiderivative is below.
    const auto antiderivative = [&](double r) {
        const double s = std::sqrt(r * r - p.c * p.c);
        return r / 2 * s + p.c * p.c / 2 * std::log(r + s);
    };
    return 2 * kPi * (antiderivative(p.outerRadius) - antiderivative(p.innerRadius));
}

double ScherkExactArea(const ScherkParameters& p) {
    // The integrand sqrt(1 + tan^2 x + tan^2 y) is analytic on the square (its poles sit
    // at +-pi/2), so tensor Gauss-Legendre converges geometrically: 80 points per side
    // reach round-off for any half side up to about 1.5.
    std::vector<double> t, w;
    GaussLegendre(80, t, w);
    std::vector<double> tan2(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        const double tangent = std::tan(p.halfSide * t[i]);
        tan2[i] = tangent * tangent;
    }
    CompensatedSum sum;
    for (std::size_t i = 0; i < t.size(); ++i)
        for (std::size_t j = 0; j < t.size(); ++j)
            sum.Add(w[i] * w[j] * std::sqrt(1 + tan2[i] + tan2[j]));
    return sum.Value() * p.halfSide * p.halfSide;
}

double ExactArea(GeneratedShape shape) {
    switch (shape) {
        case GeneratedShape::Catenoid:
            return CatenoidExactArea();
        case GeneratedShape::Scherk:
            return ScherkExactArea();
        case GeneratedShape::FlatSquare:
            return 1.0;
    }
    return 1.0;
}

double PlanArea(const GeneratedModel& model) {
    return LiftedArea(model, std::vector<double>(model.x.size(), 0.0));
}

double LiftedArea(const GeneratedModel& model, const std::vector<double>& heights) {
    CompensatedSum sum;
    for (const auto& t : model.triangles) {
        const double ux = model.x[t[1]] - model.x[t[0]], uy = model.y[t[1]] - model.y[t[0]];
        const double uz = heights[t[1]] - heights[t[0]];
        const double vx = model.x[t[2]] - model.x[t[0]], vy = model.y[t[2]] - model.y[t[0]];
        const double vz = heights[t[2]] - heights[t[0]];
        const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
        sum.Add(0.5 * std::sqrt(cx * cx + cy * cy + cz * cz));
    }
    return sum.Value();
}

bool WriteGeneratedModel(const GeneratedModel& model, const std::string& path) {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) return false;
    const std::int32_t nodes = model.NodeCount();
    const std::int32_t triangles = model.TriangleCount();

    file->Line("FILE " + ExtractFileName(path));
    file->Line("&COORDINATES " + std::to_string(nodes) + "  ");
    for (std::int32_t k = 0; k < nodes; ++k)
        file->Line(FormatInt(k + 1, 8) + " " + Fixed12(model.x[k], 20) + " " +
                   Fixed12(model.y[k], 20));
    file->Line("&ELEMENTS " + std::to_string(triangles) + "  ");
    for (std::int32_t e = 0; e < triangles; ++e) {
        const auto& t = model.triangles[e];
        file->Line(FormatInt(e + 1, 8) + " " + FormatInt(t[0] + 1, 10) + " " +
                   FormatInt(t[1] + 1, 10) + " " + FormatInt(t[2] + 1, 10));
    }
    file->Line("&INITIAL " + std::to_string(nodes) + "  ");
    for (std::int32_t k = 0; k < nodes; ++k)
        file->Line(FormatInt(k + 1, 8) + " " + Fixed12(model.start[k], 20));
    const auto held =
        static_cast<std::int32_t>(std::count(model.held.begin(), model.held.end(), true));
    file->Line("&CONSTRAINTS " + std::to_string(held) + "  ");
    for (std::int32_t k = 0; k < nodes; ++k)
        if (model.held[k]) file->Line(FormatInt(k + 1, 8));
    file->Close();
    target.Commit();
    return true;
}

bool WriteGeneratedSidecar(const GeneratedModel& model, const std::string& modelPath,
                           const std::string& sidecarPath) {
    const GeneratedShape shape = model.shape;
    const auto held =
        static_cast<std::int32_t>(std::count(model.held.begin(), model.held.end(), true));
    std::vector<double> exact(model.x.size());
    for (std::size_t k = 0; k < exact.size(); ++k)
        exact[k] = ExactHeight(shape, model.x[k], model.y[k]);

    std::string params, exactName, formula, start, note;
    switch (shape) {
        case GeneratedShape::Catenoid: {
            const CatenoidParameters p;
            params = "{\"a\": " + Number(p.c) + ", \"r_in\": " + Number(p.innerRadius) +
                     ", \"R\": " + Number(p.outerRadius) + "}";
            exactName = "\"catenoid\"";
            formula = "z = a*acosh(sqrt(x^2+y^2)/a)";
            start = "linear in r between the two circles";
            note =
                "closed form over the exact annulus; the mesh is an inscribed polygonal annulus, "
                "so part of |A_h - A| is domain error O(h^2)";
            break;
        }
        case GeneratedShape::Scherk:
            params = "{\"L\": " + Number(ScherkParameters{}.halfSide) + "}";
            exactName = "\"scherk\"";
            formula = "z = ln(cos(y)/cos(x))";
            start = "inverse-distance blend of the linear interpolations between opposite edges";
            note = "80 x 80 point Gauss-Legendre quadrature, accurate to round-off";
            break;
        case GeneratedShape::FlatSquare:
            params = "{}";
            // The flat plane has no entry in the peers' table of named surfaces.
            exactName = "null";
            formula = "z = 0";
            start = "0";
            note = "the unit square itself";
            break;
    }

    AtomicFile target(sidecarPath);
    auto file = target.Create();
    if (!file) return false;
    const std::string name = GeneratedShapeName(shape);
    file->Write(std::string("{\n") + "  \"generator\": \"membrane generate\",\n" +
                "  \"problem\": " + JsonString(name) + ",\n" +
                "  \"file\": " + JsonString(ExtractFileName(modelPath)) + ",\n" +
                "  \"nodes\": " + std::to_string(model.NodeCount()) + ",\n" +
                "  \"triangles\": " + std::to_string(model.TriangleCount()) + ",\n" +
                "  \"constrained\": " + std::to_string(held) + ",\n" +
                "  \"free\": " + std::to_string(model.NodeCount() - held) + ",\n" +
                "  \"params\": " + params + ",\n" + "  \"exact_z\": " + exactName + ",\n" +
                "  \"exact_formula\": " + JsonString(formula) + ",\n" + "  \"exact_area\": " +
                Number(ExactArea(shape)) + ",\n" + "  \"exact_area_note\": " + JsonString(note) +
                ",\n" + "  \"flat_area\": " + Number(PlanArea(model)) + ",\n" +
                "  \"interpolant_area\": " + Number(LiftedArea(model, exact)) + ",\n" +
                "  \"start_area\": " + Number(LiftedArea(model, model.start)) + ",\n" +
                "  \"start\": " + JsonString(start) + "\n" + "}\n");
    file->Close();
    target.Commit();
    return true;
}

}  // namespace membrane
