#include "form/form_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/number_format.h"

namespace membrane {
namespace {

// A value in a column of `width`, fixed with `decimals`.
std::string Cell(double value, int width, int decimals) {
    return PadLeft(FormatFixed(value, 15, decimals), width);
}

std::string Text(const std::string& text, int width) {
    std::string cell = text.substr(0, static_cast<std::size_t>(width));
    cell.resize(static_cast<std::size_t>(width), ' ');
    return cell;
}

void RenderRegions(TextSink& out, const FormModel& model, const FormSolution& s) {
    out.Line("MEMBRANE REGIONS");
    out.Line(
        "  region                prestress  pressure  triangles        area   principal stress "
        "found");
    out.Line(
        "                             kN/m    kN/m^2                     m^2      smallest     "
        "largest");
    for (std::size_t r = 0; r < model.regions.size(); ++r) {
        const MembraneRegion& region = model.regions[r];
        int triangles = 0;
        double area = 0.0, smallest = INFINITY, largest = -INFINITY;
        for (std::size_t t = 0; t < model.triangles.size(); ++t) {
            if (static_cast<std::size_t>(model.triangleRegion[t]) != r) continue;
            ++triangles;
            area += s.triangleAreas[t];
            smallest = std::min(smallest, s.stresses[t].minor);
            largest = std::max(largest, s.stresses[t].major);
        }
        if (triangles == 0) smallest = largest = 0.0;
        out.Line("  " + Text(region.name, 20) + Cell(region.stress, 11, 4) +
                 Cell(region.pressure, 10, 4) + PadLeft(std::to_string(triangles), 11) +
                 Cell(area, 12, 4) + Cell(smallest, 14, 6) + Cell(largest, 12, 6));
    }
    out.Line("  area of the membrane : " + FormatFixed(s.area, 15, 6) + " m^2");
    out.Line("  smallest angle of a triangle : " + FormatFixed(s.smallestAngleBefore, 15, 2) +
             " degrees at the start, " + FormatFixed(s.smallestAngleAfter, 15, 2) +
             " degrees found");
    out.Line();
}

void RenderCables(TextSink& out, const FormModel& model, const FormSolution& s) {
    if (model.cables.empty()) return;
    out.Line("CABLES");
    out.Line("  cable                     force      length         sag   segment forces found");
    out.Line(
        "                               kN           m           m       smallest     largest");
    for (std::size_t c = 0; c < model.cables.size(); ++c) {
        const CableResult& r = s.cables[c];
        out.Line("  " + Text(model.cables[c].name, 20) + Cell(model.cables[c].force, 11, 4) +
                 Cell(r.length, 12, 6) +
                 (model.cables[c].Closed() ? PadLeft("closed", 12) : Cell(r.sag, 12, 6)) +
                 Cell(r.smallestForce, 15, 6) + Cell(r.largestForce, 12, 6));
    }
    out.Line();
}

void RenderSupports(TextSink& out, const FormModel& model, const FormSolution& s) {
    out.Line("SUPPORTS (the force each support exerts on the membrane)");
    out.Line(
        "  support                node           x           y           z          Rx          Ry "
        "         Rz         |R|");
    out.Line(
        "                                        m           m           m          kN          kN "
        "         kN          kN");
    for (const SupportSpec& support : model.supports) {
        Vec3 sum;
        for (std::int32_t node : support.nodes) {
            const Vec3& p = s.shape[node];
            const Vec3& r = s.reactions[node];
            sum += r;
            out.Line("  " + Text(support.name, 18) +
                     PadLeft(std::to_string(model.labels[node]), 8) + Cell(p.x, 12, 4) +
                     Cell(p.y, 12, 4) + Cell(p.z, 12, 4) + Cell(r.x, 12, 5) + Cell(r.y, 12, 5) +
                     Cell(r.z, 12, 5) + Cell(Norm(r), 12, 5));
        }
        if (support.nodes.size() > 1)
            out.Line("  " + Text(support.name, 18) + PadLeft("sum", 8) + std::string(36, ' ') +
                     Cell(sum.x, 12, 5) + Cell(sum.y, 12, 5) + Cell(sum.z, 12, 5) +
                     Cell(Norm(sum), 12, 5));
    }
    out.Line();
}

void RenderBalance(TextSink& out, const FormSolution& s) {
    const FormBalance b = BalanceOf(s);
    out.Line("BALANCE OF ALL FORCES");
    out.Line("                                    x           y           z");
    out.Line("  loads (pressure), kN    " + Cell(b.loads.x, 12, 6) + Cell(b.loads.y, 12, 6) +
             Cell(b.loads.z, 12, 6));
    out.Line("  reactions, kN           " + Cell(b.reactions.x, 12, 6) +
             Cell(b.reactions.y, 12, 6) + Cell(b.reactions.z, 12, 6));
    out.Line("  left out of balance, kN " + PadLeft(ShortScientific(b.left.x), 12) +
             PadLeft(ShortScientific(b.left.y), 12) + PadLeft(ShortScientific(b.left.z), 12));
    out.Line();
}

void RenderHistory(TextSink& out, std::span<const FormStepRecord> history) {
    out.Line("ITERATIONS");
    out.Line("  iteration    movement m           W kN m   step");
    for (const FormStepRecord& step : history)
        out.Line(PadLeft(std::to_string(step.iteration), 11) +
                 PadLeft(ShortScientific(step.movement), 13) +
                 PadLeft(FormatFixed(step.energy, 15, 6), 17) +
                 (step.accelerated ? "   accelerated" : "   plain"));
}

}  // namespace

std::string ShortScientific(double value, int digits) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "INF" : "-INF");
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                            std::chars_format::scientific, digits - 1);
    std::string text(buffer, error == std::errc() ? end : buffer);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

FormBalance BalanceOf(const FormSolution& s) {
    FormBalance b;
    for (std::size_t i = 0; i < s.shape.size(); ++i) {
        b.loads += s.loads[i];
        b.reactions += s.reactions[i];
        b.largestReaction = std::max(b.largestReaction, Norm(s.reactions[i]));
    }
    b.left = b.loads + b.reactions;
    return b;
}

void RenderFormReport(TextSink& out, const FormModel& model, const FormSolution& s,
                      const FormReportHeading& heading, std::span<const FormStepRecord> history) {
    out.Line("FORM-FINDING: the shape that carries the prestress (units kN and m)");
    out.Line();
    out.Line("model      : " + model.fileName);
    out.Line("surface    : " + model.surfaceFile);
    out.Line("nodes      : " + std::to_string(model.NodeCount()));
    out.Line("triangles  : " + std::to_string(model.triangles.size()));
    out.Line("cables     : " + std::to_string(model.cables.size()));
    out.Line("supports   : " + std::to_string(model.supports.size()));
    out.Line("accuracy   : " + ShortScientific(model.settings.accuracy) +
             " m (the largest movement of a free node across the shape in the last iteration)");
    out.Line();
    out.Line("OUTCOME");
    out.Line("  " + heading.outcome);
    for (const std::string& warning : heading.warnings) out.Line("  warning: " + warning);
    out.Line("  largest movement in the last iteration : " + ShortScientific(s.movement) + " m");
    out.Line("  residual : " + ShortScientific(s.residual) +
             " kN, the largest force left out of balance at a free node under the stresses and "
             "cable forces below");
    out.Line("  the stresses are within " + ShortScientific(s.stressDeviation) +
             " kN/m of the prestress, the cable forces within " +
             ShortScientific(s.cableDeviation) + " kN of their force;");
    out.Line(
        "  with exactly the prestress and cable forces asked for, the largest out-of-balance force "
        "would be " +
        ShortScientific(s.prescribedResidual) + " kN");
    out.Line();
    RenderRegions(out, model, s);
    RenderCables(out, model, s);
    RenderSupports(out, model, s);
    RenderBalance(out, s);
    RenderHistory(out, history);
}

}  // namespace membrane
