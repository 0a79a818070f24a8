#include "common/run_state.h"

#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "solver/tmatrix.h"

namespace membrane {

ModelObjects::ModelObjects() = default;
ModelObjects::~ModelObjects() = default;
ModelObjects::ModelObjects(ModelObjects&&) noexcept = default;
ModelObjects& ModelObjects::operator=(ModelObjects&&) noexcept = default;

RunState::RunState() : messages(&quiet_) {}
RunState::~RunState() = default;

void RunState::Reset() {
    resultsAvailable = false;
    inputName.clear();
    reportFileName.clear();
    model = ModelObjects();
}

}  // namespace membrane
