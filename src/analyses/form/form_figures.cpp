#include "form/form_figures.h"

#include "form/form_report.h"

namespace membrane {

void ListFormFigures(FiniteFigures& figures, const FormModel& model, const FormSolution& s,
                     std::span<const FormStepRecord> history) {
    figures.Add("a node's position", s.shape);
    figures.Add("a reaction", s.reactions);
    figures.Add("a load", s.loads);
    for (std::size_t i = 0; i < s.shape.size() && i < model.start.size(); ++i)
        figures.Add("a displacement", {s.shape[i] - model.start[i]});
    for (const PrincipalStresses& stress : s.stresses)
        figures.Add("a principal stress", {stress.major, stress.minor});
    figures.Add("the area of a triangle", s.triangleAreas);
    figures.Add("the area", s.area);
    for (const CableResult& cable : s.cables)
        figures.Add("a cable's force, length or sag",
                    {cable.smallestForce, cable.largestForce, cable.length, cable.sag});
    figures.Add("the residual", {s.residual, s.prescribedResidual});
    figures.Add("the deviation of a stress or cable force", {s.stressDeviation, s.cableDeviation});
    figures.Add("the movement", s.movement);
    figures.Add("an angle", {s.smallestAngleBefore, s.smallestAngleAfter});
    // The sums the report shows: a support's reaction and the balance of all forces.
    for (const SupportSpec& support : model.supports) {
        Vec3 sum;
        for (std::int32_t node : support.nodes) sum += s.reactions[node];
        figures.Add("a support's reaction", {sum.x, sum.y, sum.z, Norm(sum)});
    }
    const FormBalance balance = BalanceOf(s);
    figures.Add("the balance of all forces", {balance.loads, balance.reactions, balance.left});
    figures.Add("the largest reaction", balance.largestReaction);
    for (const FormStepRecord& step : history)
        figures.Add("an iteration's movement or W", {step.movement, step.energy});
}

}  // namespace membrane
