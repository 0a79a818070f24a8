#include "form/form_generator.h"

#include <algorithm>
#include <cmath>

namespace membrane {
namespace {

void Numbered(FormModel& model, const char* name) {
    model.fileName = name;
    model.surfaceFile = name;
    model.labels.resize(model.start.size());
    for (std::size_t i = 0; i < model.labels.size(); ++i)
        model.labels[i] = static_cast<std::int64_t>(i) + 1;
    model.triangleRegion.assign(model.triangles.size(), 0);
    FinishFormModel(model);
}

}  // namespace

FormModel GenerateCatenoidForm(const CatenoidForm& form, std::int64_t nodes) {
    // m (k + 1) = nodes with m / k = 2 pi R / h.
    const double ratio = 2.0 * M_PI * form.radius / form.height;
    // An even number of rows, so that a ring stands at the neck.
    const auto k = std::max<std::int64_t>(
        2, 2 * std::llround(0.5 * std::sqrt(std::max<double>(nodes, 12) / ratio)));
    const auto m = std::max<std::int64_t>(
        6, std::llround(static_cast<double>(nodes) / static_cast<double>(k + 1)));
    FormModel model;
    for (std::int64_t j = 0; j <= k; ++j) {
        const double turn = (j % 2 == 1) ? 0.5 : 0.0;
        const double z =
            -0.5 * form.height + form.height * static_cast<double>(j) / static_cast<double>(k);
        for (std::int64_t i = 0; i < m; ++i) {
            const double angle =
                2.0 * M_PI * (static_cast<double>(i) + turn) / static_cast<double>(m);
            model.start.push_back(
                {form.radius * std::cos(angle), form.radius * std::sin(angle), z});
        }
    }
    const auto at = [m](std::int64_t j, std::int64_t i) {
        return static_cast<std::int32_t>(j * m + (i % m));
    };
    for (std::int64_t j = 0; j < k; ++j)
        for (std::int64_t i = 0; i < m; ++i) {
            // Counter-clockwise seen from outside: the normal points away from the axis.
            if (j % 2 == 0) {
                model.triangles.push_back({at(j, i), at(j, i + 1), at(j + 1, i)});
                model.triangles.push_back({at(j, i + 1), at(j + 1, i + 1), at(j + 1, i)});
            } else {
                model.triangles.push_back({at(j, i), at(j, i + 1), at(j + 1, i + 1)});
                model.triangles.push_back({at(j, i), at(j + 1, i + 1), at(j + 1, i)});
            }
        }
    model.regions.push_back({"membrane", form.stress, 0.0});
    SupportSpec bottom{"bottom ring", {}}, top{"top ring", {}};
    for (std::int64_t i = 0; i < m; ++i) {
        bottom.nodes.push_back(at(0, i));
        top.nodes.push_back(at(k, i));
    }
    model.supports = {bottom, top};
    Numbered(model, "catenoid");
    return model;
}

FormModel GenerateCableSquareForm(const CableSquareForm& form, std::int64_t nodes) {
    const auto n =
        std::max<std::int64_t>(2, std::llround(std::sqrt(std::max<double>(nodes, 9))) - 1);
    FormModel model;
    const auto at = [n](std::int64_t i, std::int64_t j) {
        return static_cast<std::int32_t>(j * (n + 1) + i);
    };
    for (std::int64_t j = 0; j <= n; ++j)
        for (std::int64_t i = 0; i <= n; ++i)
            model.start.push_back({form.side * static_cast<double>(i) / static_cast<double>(n),
                                   form.side * static_cast<double>(j) / static_cast<double>(n),
                                   0.0});
    for (std::int64_t j = 0; j < n; ++j)
        for (std::int64_t i = 0; i < n; ++i) {
            if ((i + j) % 2 == 0) {
                model.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                model.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
            } else {
                model.triangles.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
                model.triangles.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
            }
        }
    model.regions.push_back({"membrane", form.stress, 0.0});
    CableSpec south{"south", form.force, {}}, east{"east", form.force, {}},
        north{"north", form.force, {}}, west{"west", form.force, {}};
    for (std::int64_t s = 0; s <= n; ++s) {
        south.nodes.push_back(at(s, 0));
        east.nodes.push_back(at(n, s));
        north.nodes.push_back(at(n - s, n));
        west.nodes.push_back(at(0, n - s));
    }
    model.cables = {south, east, north, west};
    model.supports.push_back({"corners", {at(0, 0), at(n, 0), at(n, n), at(0, n)}});
    Numbered(model, "cable square");
    return model;
}

FormModel GenerateCapForm(const CapForm& form, std::int64_t nodes) {
    // 1 + 3 k (k + 1) nodes.
    const auto k =
        std::max<std::int64_t>(2, std::llround(std::sqrt(std::max<double>(nodes, 7) / 3.0)));
    FormModel model;
    model.start.push_back({0, 0, 0});
    std::vector<std::int32_t> ringStart{0};
    for (std::int64_t j = 1; j <= k; ++j) {
        ringStart.push_back(static_cast<std::int32_t>(model.start.size()));
        const double r = form.radius * static_cast<double>(j) / static_cast<double>(k);
        for (std::int64_t i = 0; i < 6 * j; ++i) {
            const double angle = 2.0 * M_PI * static_cast<double>(i) / static_cast<double>(6 * j);
            model.start.push_back({r * std::cos(angle), r * std::sin(angle), 0.0});
        }
    }
    // Around the centre six triangles; between ring j - 1 and ring j, both rings walked by
    // angle, always advancing the one whose next node comes first.
    for (std::int32_t i = 0; i < 6; ++i) model.triangles.push_back({0, 1 + i, 1 + (i + 1) % 6});
    for (std::int64_t j = 2; j <= k; ++j) {
        const std::int64_t inner = 6 * (j - 1), outer = 6 * j;
        const auto in = [&](std::int64_t i) {
            return ringStart[j - 1] + static_cast<std::int32_t>(i % inner);
        };
        const auto out = [&](std::int64_t i) {
            return ringStart[j] + static_cast<std::int32_t>(i % outer);
        };
        for (std::int64_t a = 0, b = 0; a < inner || b < outer;) {
            const bool advanceOuter =
                b < outer && (a >= inner || (b + 1) * inner <= (a + 1) * outer);
            if (advanceOuter) {
                model.triangles.push_back({in(a), out(b), out(b + 1)});
                ++b;
            } else {
                model.triangles.push_back({in(a), out(b), in(a + 1)});
                ++a;
            }
        }
    }
    model.regions.push_back({"membrane", form.stress, form.pressure});
    SupportSpec rim{"rim", {}};
    for (std::int64_t i = 0; i < 6 * k; ++i)
        rim.nodes.push_back(ringStart[k] + static_cast<std::int32_t>(i));
    model.supports.push_back(std::move(rim));
    Numbered(model, "cap");
    return model;
}

double CatenoidNeck(double radius, double height) {
    // f(a) = a cosh(h / 2a) - R is convex in a with its minimum at a* where
    // tanh(h / 2a*) = 2a* / h; the stable root lies above a*. Bisection on both.
    const double half = 0.5 * height;
    const auto f = [&](double a) { return a * std::cosh(half / a) - radius; };
    double lo = 1e-3 * half, hi = radius;
    for (int k = 0; k < 200; ++k) {  // a*: where f' = cosh(u) - u sinh(u) = 0, u = h / 2a
        const double mid = 0.5 * (lo + hi), u = half / mid;
        (std::cosh(u) - u * std::sinh(u) < 0.0 ? lo : hi) = mid;
    }
    if (f(hi) > 0.0) return 0.0;
    lo = hi;
    hi = radius;
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (lo + hi);
        (f(mid) < 0.0 ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace membrane
