#include "decoder/conditioner.h"

void conditioner_reset(ConditionerState* st) {
    *st = ConditionerState{};
}
