// Placeholder: replaced by the evaluation.
#include "eval/evaluate.h"

const int32_t attack_flag[7] = {0, 0x4000, 0x2800, 0x1800, 0x400, 0x200, 0x100};
int32_t attack_count[2][64];

void build_attack_table(int) {}
int evaluate(int, int, int& in_check, int& tablebase_hit) {
    in_check = 0;
    tablebase_hit = 0;
    return 0;
}
int evaluate_full(int, int base) { return base; }
