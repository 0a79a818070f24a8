// Everything one run works on: the settings (which survive from run to run), the run's
// names and flags, and the model objects that the model loading creates. The run reset
// releases the model objects; the results window, the drawing and the scene export read
// them after the run.
#pragma once

#include <memory>
#include <string>

#include "common/messages.h"
#include "common/results_view.h"
#include "common/settings.h"

namespace membrane {

class TCoorClass;
class TElemClass;
class TIntList;
class TdoubleList;
class TTwoIntList;
class TMatrix;

struct ModelObjects {
    ModelObjects();
    ~ModelObjects();
    ModelObjects(ModelObjects&&) noexcept;
    ModelObjects& operator=(ModelObjects&&) noexcept;

    std::unique_ptr<TCoorClass> nodes;         // node table
    std::unique_ptr<TElemClass> elements;      // element table (triangles)
    std::unique_ptr<TElemClass> bars;          // bar table (distinct triangle sides)
    std::unique_ptr<TIntList> constraints;     // "&CONSTR", implicit keys
    std::unique_ptr<TdoubleList> initial;      // "&INITIAL"
    std::unique_ptr<TdoubleList> heights;      // "&SOLUTION"
    std::unique_ptr<TdoubleList> increments;
    std::unique_ptr<TTwoIntList> edgePairs;    // boundary sides after the analysis
    std::unique_ptr<TIntList> boundaryNodes;   // ascending node numbers
    std::unique_ptr<TdoubleList> trussLoads;
    std::unique_ptr<TMatrix> system;           // system matrix, keyed by node numbers
    std::unique_ptr<TMatrix> rightHandSide;    // column 1
};

struct RunState {
    RunState();
    ~RunState();

    Settings settings;

    std::string inputName;       // full path of the model file of the latest run
    std::string reportFileName;  // inputName with ".OUT"
    bool modelLoaded = false;        // result of the latest model loading (kept by the reset)
    bool resultsAvailable = false;   // true after a successful run
    std::string boundaryPointsPath = "BNDRYPTS.txt";

    ModelObjects model;

    // Where the computation reports. Never null: a run without listeners gets sinks
    // that drop everything.
    MessageSink* messages;
    ResultsView* view = nullptr;  // the current results window, may be none

    // Releases the model objects and clears the run's names; the settings and the
    // model-loaded flag stay.
    void Reset();

private:
    NullMessageSink quiet_;
};

}  // namespace membrane
