// One form-finding run: a form model read and checked, the shape that carries its prestress
// found, and its report and result files written.
//
// The method. Every triangle's prestress and every cable's force is carried by the sides
// and segments of the mesh as bars with force densities: sigma cot(theta) / 2 for a
// triangle side (theta the angle across from it; the surface stress density method of
// Maurin & Motro 1998, for an isotropic stress the cotangent weights of Pinkall & Polthier
// 1993) and S / l for a cable segment. With the densities of the current shape frozen, the
// equilibrium of the free nodes is linear (the force density method, Schek 1974): one
// sparse positive definite system for x, y and z at once. Its solution is the next shape,
// and the densities are worked out again there. Without pressure this is a majorize-
// minimize descent on W = sum sigma A + sum S L: the Dirichlet energy of the map between
// two shapes bounds the area from above and equals it at the shape it was taken at (Pinkall
// & Polthier), and S (l^2 / 2 l0 + l0 / 2) bounds S l; so W never rises and the mesh's
// in-plane freedom, which makes the Hessian of W singular, is settled by the harmonic map
// instead of being left to drift. The slow modes of this iteration (a catenoid's neck near
// its largest height, nodes sliding along the surface) are taken out by Anderson
// acceleration (anderson_acceleration.h), guarded: an accelerated shape that flips or
// collapses a triangle, or raises W above the plain step's, is dropped for the plain step.
//
// Why this and not Newton on W: the Hessian of W is singular along the surface (a flat
// region's nodes can slide without changing its area), and a Newton step that the area
// alone steers collapses triangles to lower it (tried: the catenoid's mesh degenerates in
// a few regularized Newton steps). The fixed point needs no regularization, keeps the mesh
// usable, and each of its iterates is an exact equilibrium: the shape reported is the last
// iterate with the bar forces it was solved for, so the reactions balance the loads to
// round-off; how far those forces are from the prestress asked for is reported beside it.
//
// The run converges when no free node moved by more than the accuracy in the last
// iteration: along the surface too, so that the shape is the stationary point of W on this
// mesh, whose errors fall as h^2 (a shape converged only across the surface, its nodes
// still sliding, keeps errors of the mesh's start). It ends without an equilibrium when a
// triangle collapses or turns over (the membrane narrows to a point: no shape of this
// prestress spans the supports) or the shape runs away.
#pragma once

#include "common/messages.h"
#include "form/form_result.h"
#include "form/form_view.h"

namespace membrane {

// Reads and checks the model, form-finds it and writes "NAME.form.txt" (the report),
// "NAME.form.vtu" (ParaView) and "NAME.form.msh" (Gmsh) beside the model file. Progress
// lines as FormView says; the model file is locked (flock) for the run.
FormRunResult RunForm(const FormRequest& request, MessageSink& messages, FormView* view = nullptr);

// Form-finds a model already loaded (tests, and the desktop program's "run again"): no file
// is read or written.
FormRunResult FindForm(std::shared_ptr<const FormModel> model, MessageSink& messages,
                       FormView* view = nullptr, const std::atomic<bool>* cancel = nullptr);

}  // namespace membrane
