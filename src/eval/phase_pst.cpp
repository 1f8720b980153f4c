// Placeholder: replaced by the root preparation.
#include "eval/phase_pst.h"

PhaseState phase_state = {-1, -1, 0, 0, 0, 0, 0, 0, 0, 0, {}};

void update_phase() {}
void prepare_evaluation() {}
void recompute_pst_sum() {}
